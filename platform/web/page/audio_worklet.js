// The audio thread's side of the sound: plays the stretches of mixed
// samples the page hands over, in order, and silence when there are none.
//
// The page keeps some 50 ms mixed ahead.  After a stall of the page the
// queue may hold more than it should; what lies beyond a quarter of a
// second is dropped from its front, so that the sound keeps to the program's
// clock instead of trailing it for the rest of the game.
'use strict';

const kMostQueuedSeconds = 0.25;

class MiraboMixerOutput extends AudioWorkletProcessor {
  constructor() {
    super();
    this.queue = [];
    this.offset = 0;      // into queue[0]
    this.queued = 0;      // frames in the queue
    this.stopped = false;
    this.port.onmessage = (message) => {
      if (message.data === 'stop') {
        this.stopped = true;
        this.queue = [];
        this.queued = 0;
        return;
      }
      this.queue.push(message.data);
      this.queued += message.data.length;
      this.dropLate();
    };
  }

  dropLate() {
    let excess = this.queued - Math.round(kMostQueuedSeconds * sampleRate);
    while (excess > 0 && this.queue.length > 0) {
      const available = this.queue[0].length - this.offset;
      const dropped = Math.min(available, excess);
      this.offset += dropped;
      this.queued -= dropped;
      excess -= dropped;
      if (this.offset >= this.queue[0].length) {
        this.queue.shift();
        this.offset = 0;
      }
    }
  }

  process(inputs, outputs) {
    const out = outputs[0][0];
    let written = 0;
    while (written < out.length && this.queue.length > 0) {
      const chunk = this.queue[0];
      const count = Math.min(out.length - written, chunk.length - this.offset);
      out.set(chunk.subarray(this.offset, this.offset + count), written);
      written += count;
      this.offset += count;
      this.queued -= count;
      if (this.offset >= chunk.length) {
        this.queue.shift();
        this.offset = 0;
      }
    }
    out.fill(0, written);
    return !this.stopped;
  }
}

registerProcessor('mirabo-mixer-output', MiraboMixerOutput);
