"""The game's own facts, as game_timeline prints them from a game played on
the recording double: when each segment (with its sample range) and each
tone starts, when the tones stop and when the program ends; and, with
--segments, the sample range of every segment."""

import subprocess
from typing import List, NamedTuple, Optional


class Play(NamedTuple):
    segment: int
    at: int          # ms from the program's start
    wait: int        # ms the game waits after the play
    first: int       # first sample of the range
    end: int         # the sample where play stops


class Tone(NamedTuple):
    frequency: int
    at: int
    length: Optional[int]   # ms until its stop; None when it is never stopped


class Timeline(NamedTuple):
    events: list             # Play and Tone in the order they start
    exit_code: Optional[int]
    exit_at: Optional[int]   # the program's end, or where it waits for ever

    @property
    def plays(self) -> List[Play]:
        return [event for event in self.events if isinstance(event, Play)]

    @property
    def tones(self) -> List[Tone]:
        return [event for event in self.events if isinstance(event, Tone)]


def parse(lines):
    events = []
    exit_code = exit_at = None
    for line in lines:
        fields = line.split()
        if not fields:
            continue
        kind, values = fields[0], [int(value) for value in fields[1:]]
        if kind == "play":
            events.append(Play(*values))
        elif kind == "tone":
            events.append(Tone(values[0], values[1], None))
        elif kind == "stop":
            for number in range(len(events) - 1, -1, -1):
                event = events[number]
                if isinstance(event, Tone):
                    if event.length is None:
                        events[number] = event._replace(length=values[0] - event.at)
                    break
        elif kind == "exit":
            exit_code, exit_at = values
        elif kind == "waits":
            exit_at = values[0]
    return Timeline(events, exit_code, exit_at)


def read(path) -> Timeline:
    with open(path, encoding="ascii") as timeline:
        return parse(timeline)


def segments(tool):
    """{segment: (first, end)} from game_timeline --segments."""
    output = subprocess.run([tool, "--segments"], check=True, capture_output=True,
                            text=True).stdout
    table = {}
    for line in output.splitlines():
        kind, number, first, end = line.split()
        if kind == "segment":
            table[int(number)] = (int(first), int(end))
    return table


def planned_beeps(timeline: Timeline):
    """(start, length) in ms of the 5000 Hz beeps the game sounds; a beep
    that starts as the one before it stops makes one stretch with it."""
    stretches = []
    for tone in timeline.tones:
        if tone.frequency != 5000 or tone.length is None:
            continue
        if stretches and stretches[-1][0] + stretches[-1][1] == tone.at:
            stretches[-1] = (stretches[-1][0], stretches[-1][1] + tone.length)
        else:
            stretches.append((tone.at, tone.length))
    return stretches
