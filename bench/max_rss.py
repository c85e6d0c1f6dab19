#!/usr/bin/env python3
"""Runs a program and writes its peak resident memory (the ru_maxrss that
wait4 returns for it, in KiB) to a file; ends with the program's exit code.
A TERM or INT sent to this wrapper is passed on to the program.

    max_rss.py OUTPUT PROGRAM [ARGUMENTS...]
"""
import os
import signal
import sys


def main(arguments):
    if len(arguments) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    output, program = arguments[1], arguments[2]
    child = os.fork()
    if child == 0:
        try:
            os.execv(program, arguments[2:])
        finally:
            os._exit(127)
    for number in (signal.SIGTERM, signal.SIGINT):
        signal.signal(number, lambda received, _frame: os.kill(child, received))
    _, status, usage = os.wait4(child, 0)
    with open(output, "w") as out:
        out.write(f"{usage.ru_maxrss}\n")
    return os.waitstatus_to_exitcode(status)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
