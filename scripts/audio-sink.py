#!/usr/bin/env python3
"""Takes the raw PCM stream of a user's run without a sound card (ALSA's file device pipes it here),
paces it to real time and keeps only the last few minutes.

Usage: audio-sink.py RATE CHANNELS FORMAT FOLDER [MINUTES]
Writes FOLDER/out-RATE-CHANNELS-FORMAT.raw; once that holds MINUTES of sound (default 2), it becomes
....prev.raw and a new one starts, so the two files together hold between MINUTES and twice MINUTES
of the most recent sound and never more. Reading at the stream's own rate makes ALSA's writes wait
as a sound card's would, so the program renders in real time instead of as fast as it can.
"""
import os
import sys
import time

BYTES_PER_SAMPLE = {"S8": 1, "U8": 1, "S16_LE": 2, "S16_BE": 2, "S24_3LE": 3, "S24_LE": 4,
                    "S32_LE": 4, "FLOAT_LE": 4, "FLOAT64_LE": 8}


def main(argv):
    if len(argv) < 5:
        sys.stderr.write(__doc__)
        return 2
    rate, channels, fmt, folder = int(argv[1]), int(argv[2]), argv[3], argv[4]
    minutes = float(argv[5]) if len(argv) > 5 else 2.0
    frame = channels * BYTES_PER_SAMPLE.get(fmt, 4)
    per_second = max(1, rate * frame)
    segment_cap = max(frame, int(minutes * 60 * per_second) // frame * frame)
    name = os.path.join(folder, "out-%d-%d-%s.raw" % (rate, channels, fmt))
    previous = name[:-4] + ".prev.raw"
    out = open(name, "wb")
    written = 0          # bytes in the current file
    total = 0            # bytes taken since the start, for pacing
    start = time.monotonic()
    source = sys.stdin.buffer
    while True:
        chunk = source.read1(65536)
        if not chunk:
            break
        total += len(chunk)
        while chunk:
            room = segment_cap - written
            part, chunk = chunk[:room], chunk[room:]
            out.write(part)
            written += len(part)
            if written >= segment_cap:
                out.close()
                os.replace(name, previous)
                out = open(name, "wb")
                written = 0
        ahead = total / per_second - (time.monotonic() - start)
        if ahead > 0.05:
            time.sleep(ahead - 0.05)
    out.close()
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (BrokenPipeError, KeyboardInterrupt):
        sys.exit(0)
