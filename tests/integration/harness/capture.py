"""The one reader of captured sound.

Two kinds of capture:

- the Linux program's, written by SDL's disk audio driver: one file of raw
  signed 16-bit little-endian mono samples at 44100 frames a second, the
  device's whole mix from its opening to the program's end;
- a Windows build's under Wine, written by sound_logger at the other end of
  ALSA's file plugin: one file for every opening of the sound device, with
  a line in openings.log giving when it was opened and closed and its
  format (rate, channels, bits).
"""

import array
import os
import stat
import sys
import time
from typing import List, NamedTuple, Optional

DISK_RATE = 44100


def milliseconds(frames, rate=DISK_RATE):
    return frames * 1000.0 / rate


def frames(ms, rate=DISK_RATE):
    return int(round(ms * rate / 1000.0))


def samples_from(data, bits=16):
    """Signed 16-bit samples from raw little-endian bytes; 8-bit data is
    unsigned (128 is silence) and is scaled to the same range."""
    if bits == 8:
        return array.array("h", ((value - 128) * 256 for value in data))
    samples = array.array("h")
    samples.frombytes(data[:len(data) - len(data) % 2])
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def load_disk(path, from_byte=0):
    """The disk driver's capture from a byte offset on."""
    with open(path, "rb") as capture:
        capture.seek(from_byte - from_byte % 2)
        return samples_from(capture.read())


def first_sound(samples, start=0, threshold=0):
    """The first frame from start whose magnitude exceeds threshold."""
    for index in range(start, len(samples)):
        if abs(samples[index]) > threshold:
            return index
    return None


class DiskWatcher:
    """Follows a growing disk capture without reading it again from the
    start: where its first sound is, how long it is, how long it has been
    silent at its end."""

    def __init__(self, path):
        self.path = path
        self.read_bytes = 0
        self.length = 0            # frames read
        self.first = None          # frame of the first non-zero sample
        self.last = None           # frame after the last non-zero sample

    def update(self):
        try:
            with open(self.path, "rb") as capture:
                capture.seek(self.read_bytes)
                data = capture.read()
        except FileNotFoundError:
            return
        data = data[:len(data) - len(data) % 2]
        if not data:
            return
        samples = samples_from(data)
        for index, value in enumerate(samples):
            if value:
                if self.first is None:
                    self.first = self.length + index
                break
        for index in range(len(samples) - 1, -1, -1):
            if samples[index]:
                self.last = self.length + index + 1
                break
        self.read_bytes += len(data)
        self.length += len(samples)

    def sound_for(self, ms):
        """The capture holds ms after its first sound."""
        return self.first is not None and milliseconds(self.length - self.first) >= ms

    def quiet_for(self, ms):
        """The capture holds sound, and its last ms are silent."""
        return self.last is not None and milliseconds(self.length - self.last) >= ms


def wait_for_disk(path, condition, ms, pid=None, timeout=30.0):
    """Polls the capture until `condition` ("sound" or "quiet") holds for ms;
    0 when it does, 1 at the timeout, 3 when the process pid has ended."""
    watcher = DiskWatcher(path)
    deadline = time.monotonic() + timeout
    while True:
        watcher.update()
        if (watcher.sound_for(ms) if condition == "sound" else watcher.quiet_for(ms)):
            return 0
        if pid is not None and not process_lives(pid):
            print(f"the program (pid {pid}) ended before its capture was {condition} for {ms:g} ms")
            return 3
        if time.monotonic() > deadline:
            print(f"the capture was not {condition} for {ms:g} ms within {timeout:g} s "
                  f"({milliseconds(watcher.length):.0f} ms captured)")
            return 1
        time.sleep(0.1)


def process_lives(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    return True


class Opening(NamedTuple):
    """One opening of the sound device under Wine."""
    opened: float          # seconds, real-time clock
    closed: Optional[float]
    rate: int
    channels: int
    bits: int
    data: bytes
    name: str

    @property
    def kind(self):
        return f"{self.rate} Hz, {self.channels} channel(s), {self.bits} bits"


# The named pipes, one per format, that ALSA's file plugin writes the
# openings into: PIPE_PREFIX + "RATE-CHANNELS-BITS".
PIPE_PREFIX = "device-"


def load_openings(directory):
    """Every opening logged in the directory, in the order they were opened.
    A file without a line in the log is an opening that was never closed
    (the program was killed while it played)."""
    logged = {}
    log_path = os.path.join(directory, "openings.log")
    if os.path.exists(log_path):
        with open(log_path, encoding="ascii") as log:
            for line in log:
                fields = line.split()
                if len(fields) == 7:
                    logged[fields[6]] = fields
    openings: List[Opening] = []
    for name in os.listdir(directory):
        path = os.path.join(directory, name)
        if name.startswith(PIPE_PREFIX):
            # The plugin made a plain file where no pipe was: an opening
            # in a format nobody listened for, its times unknown.
            if stat.S_ISREG(os.stat(path).st_mode):
                _, rate, channels, bits = name.split("-")
                with open(path, "rb") as raw:
                    openings.append(Opening(os.stat(path).st_mtime, None, int(rate),
                                            int(channels), int(bits), raw.read(), name))
            continue
        if not name.endswith(".raw"):
            continue
        with open(path, "rb") as raw:
            data = raw.read()
        fields = logged.get(name)
        if fields:
            openings.append(Opening(float(fields[0]), float(fields[1]), int(fields[2]),
                                    int(fields[3]), int(fields[4]), data, name))
        else:
            stamp, _, rate, channels, bits = name[:-len(".raw")].split("-")
            openings.append(Opening(float(stamp), None, int(rate), int(channels), int(bits),
                                    data, name))
    openings.sort(key=lambda opening: opening.opened)
    return openings
