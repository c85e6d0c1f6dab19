// The sound a page made, measured: a voice of test tones to play it with,
// and each segment of the game's timeline found in the recording of the
// mixer's output (raw 16-bit mono at the mixer's rate, silence where the
// mixer gave nothing).
'use strict';

const fs = require('fs');

const VOICE_RATE = 22050;
const TONE_AMPLITUDE = 6000;

// Each segment's range is filled with a sine of its own frequency.
function toneFrequency(segment) {
  return 200 + 20 * segment;
}

// {segment: [start, end]} from the game's segment table header.
function readSegmentTable(file) {
  const table = {};
  const pattern = /\{"(\d+)",\s*"(\d+)"\},\s*\/\/\s*(\d+):/;
  for (const line of fs.readFileSync(file, 'utf8').split('\n')) {
    const match = pattern.exec(line);
    if (match) table[Number(match[3])] = [Number(match[1]), Number(match[2])];
  }
  if (Object.keys(table).length !== 87) {
    throw new Error(`found ${Object.keys(table).length} segments in ${file}, expected 87`);
  }
  return table;
}

// A fones.DAT whose ranges hold test tones, each sine starting at phase 0
// on its range's first sample; silence elsewhere.
function writeToneVoice(tableFile, outFile) {
  const table = readSegmentTable(tableFile);
  const length = Math.max(...Object.values(table).map(([, end]) => end)) + VOICE_RATE / 10;
  const data = Buffer.alloc(2 * length);
  for (const [segment, [start, end]] of Object.entries(table)) {
    const step = 2 * Math.PI * toneFrequency(Number(segment)) / VOICE_RATE;
    for (let offset = 0; offset < end - start; ++offset) {
      data.writeInt16LE(Math.round(TONE_AMPLITUDE * Math.sin(step * offset)), 2 * (start + offset));
    }
  }
  const header = Buffer.alloc(44);
  header.write('RIFF', 0);
  header.writeUInt32LE(36 + data.length, 4);
  header.write('WAVEfmt ', 8);
  header.writeUInt32LE(16, 16);
  header.writeUInt16LE(1, 20);
  header.writeUInt16LE(1, 22);
  header.writeUInt32LE(VOICE_RATE, 24);
  header.writeUInt32LE(2 * VOICE_RATE, 28);
  header.writeUInt16LE(2, 32);
  header.writeUInt16LE(16, 34);
  header.write('data', 36);
  header.writeUInt32LE(data.length, 40);
  fs.writeFileSync(outFile, Buffer.concat([header, data]));
}

// game_timeline's lines: play SEGMENT AT WAIT, tone FREQUENCY AT, stop AT,
// exit CODE AT.
function parseTimeline(text) {
  return text.split('\n').filter((line) => line.trim()).map((line) => {
    const [kind, ...values] = line.trim().split(/\s+/);
    return { kind, values: values.map(Number) };
  });
}

// Zero crossings (either way) between two frames, as fractional positions.
function crossings(samples, start, end) {
  const found = [];
  for (let i = Math.max(1, start); i < Math.min(samples.length, end); ++i) {
    const a = samples[i - 1];
    const b = samples[i];
    if ((a < 0 && b >= 0) || (a > 0 && b <= 0)) found.push(i - 1 + (a === b ? 1 : a / (a - b)));
  }
  return found;
}

// The frame where a sine of `frequency` starts near `predicted`: the first
// of eleven crossings in a row whose gaps are each within 5% of half its
// period and on average within 0.5% (neighbouring segments' tones lie 1%
// to 10% apart), at most `window` frames from the prediction.  Null when
// there is none.
function findOnset(samples, rate, frequency, predicted, window) {
  const half = rate / (2 * frequency);
  const run = 10;
  const found = crossings(samples, Math.floor(predicted - window),
                          Math.ceil(predicted + window + (run + 2) * half));
  for (let n = 0; n + run < found.length && found[n] <= predicted + window; ++n) {
    let regular = true;
    for (let k = n; k < n + run && regular; ++k) {
      regular = Math.abs(found[k + 1] - found[k] - half) < 0.05 * half;
    }
    if (regular && Math.abs((found[n + run] - found[n]) / run - half) < 0.005 * half) return found[n];
  }
  return null;
}

// Every segment the timeline plays, looked for in order in the recording.
// A segment is placed from the segment found before it (so that the search
// follows the sound) and measured against the game's timeline from the
// first segment of its stretch of speech: the sounds between two silences
// of the timeline, placed in the recording by the mixer's clock.
function measureSegments(samples, rate, events, { window = 0.08 } = {}) {
  const plays = events.filter((event) => event.kind === 'play').map(({ values: [segment, at, wait] }) => ({ segment, at, wait }));
  const frames = (ms) => ms * rate / 1000;
  const ms = (frame) => frame * 1000 / rate;
  let first = samples.findIndex((sample) => Math.abs(sample) > 100);
  if (first < 0) return { plays, found: [], error: 'the recording holds no sound' };
  const results = [];
  let anchor = null;      // {frame, at}: the last segment found
  let stretchStart = null;
  let previousEnd = -Infinity;
  for (const play of plays) {
    // A new stretch when the timeline is silent before this segment.
    const newStretch = play.at > previousEnd + 30;
    previousEnd = play.at + play.wait;
    const predicted = anchor ? anchor.frame + frames(play.at - anchor.at) : first;
    const onset = findOnset(samples, rate, toneFrequency(play.segment), predicted,
                            frames(newStretch ? 1000 * window * 4 : 1000 * window));
    const result = { ...play, onset, newStretch };
    if (onset !== null) {
      if (newStretch || stretchStart === null) stretchStart = { frame: onset, at: play.at };
      result.measured = ms(onset - stretchStart.frame);
      result.planned = play.at - stretchStart.at;
      result.error = result.measured - result.planned;
      result.sinceFirst = ms(onset) - ms(first);
      anchor = { frame: onset, at: play.at };
    }
    results.push(result);
  }
  return { plays, found: results, first: ms(first) };
}

module.exports = { toneFrequency, readSegmentTable, writeToneVoice, parseTimeline, measureSegments, crossings, findOnset };
