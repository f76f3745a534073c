#!/usr/bin/env python3
"""Checks a 4-channel 32-bit float WAV recorded from JACK: channels 1-2 are what was fed to the
plug-in, channels 3-4 what came out of it, recorded in the same process cycles. They must be
equal bit for bit, and the fed signal must be the test signal (not silence).

Usage: wav_passthrough_check.py RECORDING.wav SIGNAL.wav
"""
import struct
import sys


def read_float_wav(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError(f"{path}: not a WAV file")
    pos, fmt, samples = 12, None, None
    while pos + 8 <= len(data):
        cid, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        body = data[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            tag, channels, rate = struct.unpack_from("<HHI", body, 0)
            bits = struct.unpack_from("<H", body, 14)[0]
            if tag == 0xFFFE:                      # extensible: the sub-format's first two bytes
                tag = struct.unpack_from("<H", body, 24)[0]
            fmt = (tag, channels, rate, bits)
        elif cid == b"data":
            samples = body
        pos += 8 + size + (size & 1)
    if fmt is None or samples is None or fmt[0] != 3 or fmt[3] != 32:
        raise ValueError(f"{path}: expected 32-bit float samples, found {fmt}")
    return fmt[1], fmt[2], samples


def frames(raw, channels):
    """Each frame as a tuple of its channels' raw 4-byte values (compared as bits, not numbers)."""
    step = 4 * channels
    return [tuple(raw[i + 4 * c:i + 4 * c + 4] for c in range(channels)) for i in range(0, len(raw) - step + 1, step)]


def main():
    rec_channels, rec_rate, rec = read_float_wav(sys.argv[1])
    sig_channels, sig_rate, sig = read_float_wav(sys.argv[2])
    if rec_channels != 4 or sig_channels != 2 or rec_rate != sig_rate:
        print(f"unexpected formats: recording {rec_channels} ch {rec_rate} Hz, signal {sig_channels} ch {sig_rate} Hz")
        return 1

    recorded = frames(rec, 4)
    zero = b"\0\0\0\0"
    differing = [i for i, f in enumerate(recorded) if f[0] != f[2] or f[1] != f[3]]
    fed = [i for i, f in enumerate(recorded) if f[0] != zero or f[1] != zero]

    signal = frames(sig, 2)
    audible = [i for i, f in enumerate(signal) if f[0] != zero or f[1] != zero]
    print(f"recorded {len(recorded)} frames at {rec_rate} Hz; fed {len(fed)} non-silent frames "
          f"(signal holds {len(audible)}); {len(differing)} frames differ between input and output")

    if differing:
        i = differing[0]
        print(f"first difference at frame {i}: in {[struct.unpack('<f', b)[0] for b in recorded[i][:2]]} "
              f"out {[struct.unpack('<f', b)[0] for b in recorded[i][2:]]}")
        return 1

    # The whole audible part of the signal must have gone through, in order and unchanged.
    if not fed or not audible:
        print("nothing was fed to the plug-in")
        return 1
    got = [f[:2] for f in recorded[fed[0]:fed[0] + (audible[-1] - audible[0] + 1)]]
    want = signal[audible[0]:audible[-1] + 1]
    if got != want:
        print("the recorded input is not the test signal (dropped or altered frames in the feed)")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
