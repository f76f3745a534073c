#!/usr/bin/env python3
"""The file work of scripts/validation/ardour-session.sh: the test signal, the audio region and the
plug-in's state in an Ardour 7 session file, and the comparisons.

  signal SIGNAL.wav                    writes the stereo 32-bit float test signal (48 kHz)
  place SESSION.ardour SIGNAL.wav      puts the signal on the session's one audio track
  lv2-preset FOLDER MODE K             writes an LV2 preset bundle holding Tarn's two settings
  vst3-state SESSION.ardour MODE K     writes Tarn's two settings into the session's VST3 chunk
  settings SESSION.ardour lv2|vst3 MODE K
                                       Tarn is on the track and its saved state holds MODE and K
  compare EXPORT.wav SIGNAL.wav        the export equals the signal sample for sample
  pan SESSION.ardour VALUE             moves the track's panner (for the control run)
"""
import base64
import math
import os
import random
import re
import struct
import sys
import xml.etree.ElementTree as ET

import wav_passthrough_check   # the float WAV reader, beside this file

RATE = 48000
SECONDS = 4
# Ardour 7 writes times in a session file as "a" + superclock ticks (282 240 000 a second);
# a region's length is "LENGTH@POSITION".
SUPERCLOCK = 282240000
TICKS_PER_FRAME = SUPERCLOCK // RATE
TARN_URI = "https://fennick.example/plugins/tarn"
TARN_VST3_UID = b"ABCDEF019182FAEB466E636B54726E31"
TRACK = "Tarn test"
SOURCE_NAME = "tarn-signal"


# --- WAV files (32-bit float) -------------------------------------------------------------------

def write_float_wav(path, channels, frames):
    """frames: a list of tuples of floats, one per channel."""
    data = b"".join(struct.pack("<%df" % channels, *f) for f in frames)
    fmt = struct.pack("<HHIIHH", 3, channels, RATE, RATE * 4 * channels, 4 * channels, 32)
    fact = struct.pack("<I", len(frames))
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"fact" + struct.pack("<I", 4) + fact
            + b"data" + struct.pack("<I", len(data)) + data)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def read_float_wav(path):
    """(channels, rate, frames as tuples of each channel's raw 4 bytes: compared as bits)."""
    channels, rate, samples = wav_passthrough_check.read_float_wav(path)
    return channels, rate, wav_passthrough_check.frames(samples, channels)


def as_float(raw):
    return struct.unpack("<f", raw)[0]


def make_signal(path):
    """Left: white noise; right: a 997 Hz tone over quieter noise; then a stretch of values at and
    just below full scale (both signs, the largest float below 1 among them), a stretch of tiny
    values, and a step. Both channels differ throughout (a swap shows), and the very first and last
    frames are not zero (an offset at either end shows)."""
    rng = random.Random(15)
    below_one = struct.unpack("<f", struct.pack("<I", 0x3F7FFFFF))[0]   # 0.99999994
    frames = []
    n = RATE * SECONDS
    for i in range(n):
        t = i / RATE
        if RATE <= i < RATE + RATE // 2:
            # Near full scale: 1, 0.99999994 and random values above 0.999, signs alternating.
            k = i % 4
            sign = -1.0 if (i // 4) % 2 else 1.0
            left = sign * (1.0 if k == 0 else below_one if k == 1 else rng.uniform(0.999, 1.0))
            right = -sign * (below_one if k == 0 else 1.0 if k == 1 else rng.uniform(0.999, 1.0))
        elif 2 * RATE <= i < 2 * RATE + RATE // 4:
            left, right = rng.uniform(-1e-20, 1e-20), rng.uniform(-1e-30, 1e-30)   # tiny, not denormal
        elif 3 * RATE <= i < 3 * RATE + RATE // 4:
            left, right = 0.5, -0.25
        else:
            left = rng.uniform(-0.9, 0.9)
            right = 0.7 * math.sin(2 * math.pi * 997 * t) + rng.uniform(-0.05, 0.05)
        frames.append((left, right))
    frames[0] = (0.75, -0.625)
    frames[-1] = (-0.875, 0.5)
    write_float_wav(path, 2, frames)


# --- The session file ---------------------------------------------------------------------------

def load_session(path):
    return ET.parse(path)


def save_session(tree, path):
    tree.write(path, encoding="UTF-8", xml_declaration=True)


def track_route(root):
    for route in root.iter("Route"):
        if route.get("name") == TRACK:
            return route
    raise ValueError(f"no track named {TRACK!r} in the session")


def tarn_processors(route):
    return [p for p in route.iter("Processor") if p.get("name") == "Tarn" and p.get("type") in ("lv2", "vst3")]


def place(session_path, signal_path):
    """Puts the signal on the track: one mono float WAV per channel in the session's audio folder,
    their <Source>s, a whole-file <Region> in the region list and a region of the same extent in
    the track's playlist (position 0, fades off: Ardour's default 64-sample fades would change
    the first and last samples), and the session range over exactly the signal."""
    channels, rate, frames = read_float_wav(signal_path)
    if channels != 2 or rate != RATE:
        raise ValueError(f"{signal_path}: expected stereo at {RATE} Hz")
    # Ardour takes the one folder in interchange/ (named after the session's folder) for the
    # session's sources, and refuses to load a session with more than one.
    interchange = os.path.join(os.path.dirname(os.path.abspath(session_path)), "interchange")
    folders = os.listdir(interchange)
    if len(folders) != 1:
        raise ValueError(f"{interchange}: expected one folder, found {folders}")
    audio_dir = os.path.join(interchange, folders[0], "audiofiles")
    files = []
    for c, side in enumerate("LR"):
        fname = f"{SOURCE_NAME}%{side}.wav"
        write_float_wav(os.path.join(audio_dir, fname), 1, [(as_float(f[c]),) for f in frames])
        files.append(fname)

    tree = load_session(session_path)
    root = tree.getroot()
    next_id = int(root.get("id-counter"))

    def new_id():
        nonlocal next_id
        next_id += 1
        return str(next_id)

    sources = root.find("Sources")
    source_ids = []
    for fname in files:
        sid = new_id()
        source_ids.append(sid)
        ET.SubElement(sources, "Source", {
            "name": fname, "type": "audio", "flags": "", "id": sid, "natural-position": "a0",
            "channel": "0", "origin": "", "gain": "1"})

    length = f"a{len(frames) * TICKS_PER_FRAME}@a0"

    def region(parent, rid, rname, whole_file):
        ET.SubElement(parent, "Region", {
            "name": rname, "muted": "0", "opaque": "1", "locked": "0", "video-locked": "0",
            "automatic": "0", "whole-file": whole_file, "import": "0", "external": "0",
            "sync-marked": "0", "left-of-split": "0", "right-of-split": "0", "hidden": "0",
            "position-locked": "0", "valid-transients": "0", "start": "a0", "length": length,
            "sync-position": "a0", "ancestral-start": "a0", "ancestral-length": "a0@a0",
            "stretch": "1", "shift": "1", "layering-index": "0", "tags": "", "contents": "0",
            "envelope-active": "0", "default-fade-in": "0", "default-fade-out": "0",
            "fade-in-active": "0", "fade-out-active": "0", "scale-amplitude": "1", "id": rid,
            "type": "audio", "first-edit": "nothing",
            "source-0": source_ids[0], "source-1": source_ids[1],
            "master-source-0": source_ids[0], "master-source-1": source_ids[1], "channels": "2"})

    region(root.find("Regions"), new_id(), SOURCE_NAME, "1")
    route = track_route(root)
    playlist = [p for p in root.find("Playlists") if p.get("id") == route.get("audio-playlist")]
    if len(playlist) != 1:
        raise ValueError("the track's playlist is not in the session")
    region(playlist[0], new_id(), SOURCE_NAME + ".1", "0")

    locations = root.find("Locations")
    ET.SubElement(locations, "Location", {
        "id": new_id(), "name": "session", "start": "a0", "end": f"a{len(frames) * TICKS_PER_FRAME}",
        "flags": "IsSessionRange", "locked": "0", "cue": "0"})
    root.set("id-counter", str(next_id + 1))
    save_session(tree, session_path)
    print(f"placed {len(frames)} frames ({len(frames) / RATE:g} s) on {TRACK!r}")


def set_pan(session_path, value):
    tree = load_session(session_path)
    route = track_route(tree.getroot())
    pans = [c for c in route.find("Pannable") if c.get("name") == "pan-azimuth"]
    pans[0].set("value", value)
    save_session(tree, session_path)


# --- Tarn's state -------------------------------------------------------------------------------
# The plug-in saves one XML element, <TarnState destinationMode=".." kReference=".."/>, as JUCE's
# binary XML chunk: the magic "VC2!", the text's length (32-bit little-endian), the UTF-8 text and
# a terminating zero.

def tarn_chunk(mode, k):
    text = f'<?xml version="1.0" encoding="UTF-8"?> <TarnState destinationMode="{mode}" kReference="{k}"/>'
    data = text.encode()
    return b"VC2!" + struct.pack("<I", len(data)) + data + b"\0"


def settings_from_chunk(chunk):
    if chunk[0:4] != b"VC2!":
        raise ValueError(f"not JUCE's binary XML chunk: {chunk[:16]!r}")
    length = struct.unpack_from("<I", chunk, 4)[0]
    state = ET.fromstring(chunk[8:8 + length].decode("utf-8"))
    if state.tag != "TarnState":
        raise ValueError(f"state element is <{state.tag}>")
    return state.get("destinationMode"), state.get("kReference")


# JUCE's LV2 wrapper stores that chunk as the property <URI:StateString>, a string in JUCE's own
# base64 (MemoryBlock::toBase64Encoding): the byte count, a dot, then six bits a character, least
# significant bits first, from the alphabet below.
JUCE_BASE64 = ".ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+"


def juce_base64_encode(data):
    bits = int.from_bytes(data, "little")
    return f"{len(data)}." + "".join(JUCE_BASE64[(bits >> (6 * i)) & 63] for i in range((len(data) * 8 + 5) // 6))


def juce_base64_decode(text):
    count, dot, body = text.partition(".")
    if not dot or not count.isdigit():
        raise ValueError(f"not JUCE's base64: {text[:20]!r}")
    bits = 0
    for i, c in enumerate(body):
        bits |= JUCE_BASE64.index(c) << (6 * i)
    n = int(count)
    return (bits & ((1 << (8 * n)) - 1)).to_bytes(n, "little")


def write_lv2_preset(folder, mode, k):
    """An LV2 preset bundle (a folder for LV2_PATH) whose state is Tarn's chunk with the settings
    given, in the form JUCE's wrapper reads back."""
    bundle = os.path.join(folder, "tarn-check.lv2")
    os.makedirs(bundle, exist_ok=True)
    prefixes = ("@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n\n")
    with open(os.path.join(bundle, "manifest.ttl"), "w") as f:
        f.write(prefixes + f"<check.ttl>\n\ta pset:Preset ;\n\tlv2:appliesTo <{TARN_URI}> ;\n"
                "\trdfs:seeAlso <check.ttl> .\n")
    with open(os.path.join(bundle, "check.ttl"), "w") as f:
        f.write(prefixes + f"<>\n\ta pset:Preset ;\n\tlv2:appliesTo <{TARN_URI}> ;\n"
                '\trdfs:label "Tarn check" ;\n'
                f'\tstate:state [\n\t\t<{TARN_URI}:StateString> "{juce_base64_encode(tarn_chunk(mode, k))}"\n\t] .\n')


def lv2_settings(session_path, processor):
    """The settings in the state folder the session names (plugins/ID/state-dir/state.ttl)."""
    lv2 = processor.find("lv2")
    state_dir = lv2.get("state-dir") if lv2 is not None else None
    if not state_dir:
        raise ValueError("the LV2 processor names no state folder")
    path = os.path.join(os.path.dirname(os.path.abspath(session_path)), "plugins", processor.get("id"),
                        state_dir, "state.ttl")
    with open(path) as f:
        ttl = f.read()
    found = re.findall(r"<" + re.escape(TARN_URI) + r':StateString>\s+"([^"]*)"', ttl)
    if len(found) != 1:
        raise ValueError(f"{path}: {len(found)} StateString properties")
    return os.path.relpath(path, os.path.dirname(os.path.abspath(session_path))), settings_from_chunk(juce_base64_decode(found[0]))


# Ardour keeps a VST3 plug-in's state in the session file as <chunk>: base64 of a VST3 preset
# stream ("VST3", version, the class ID as 32 ASCII characters, the offset of the chunk list; the
# data; the list "List", an entry count, then per entry a four-letter ID, offset and size, all
# little-endian). The "Comp" entry is the component's state: JUCE's VST3 wrapper writes the
# plug-in's chunk there, followed by data of its own (the bypass state).

def vst3_entries(stream):
    if stream[0:4] != b"VST3" or stream[8:40] != TARN_VST3_UID:
        raise ValueError(f"not a VST3 state of Tarn: {stream[:40]!r}")
    list_at = struct.unpack_from("<q", stream, 40)[0]
    if stream[list_at:list_at + 4] != b"List":
        raise ValueError("VST3 state without a chunk list")
    count = struct.unpack_from("<i", stream, list_at + 4)[0]
    entries = {}
    for e in range(count):
        at = list_at + 8 + 20 * e
        offset, size = struct.unpack_from("<qq", stream, at + 4)
        entries[stream[at:at + 4].decode("latin-1")] = stream[offset:offset + size]
    return entries


def vst3_stream(entries):
    head = b"VST3" + struct.pack("<i", 1) + TARN_VST3_UID
    data, table, at = b"", b"", len(head) + 8
    for eid, body in entries.items():
        table += eid.encode("latin-1") + struct.pack("<qq", at + len(data), len(body))
        data += body
    return head + struct.pack("<q", at + len(data)) + data + b"List" + struct.pack("<i", len(entries)) + table


def vst3_chunk_element(processor):
    chunk = processor.find("vst3/chunk")
    if chunk is None or not (chunk.text or "").strip():
        raise ValueError("the VST3 processor holds no <chunk>")
    return chunk


def set_vst3_state(session_path, mode, k):
    """Replaces the plug-in's chunk inside the component state Ardour saved (what JUCE's wrapper
    appends after it is kept as it is)."""
    tree = load_session(session_path)
    procs = tarn_processors(track_route(tree.getroot()))
    if len(procs) != 1 or procs[0].get("type") != "vst3":
        raise ValueError("expected one Tarn VST3 on the track")
    element = vst3_chunk_element(procs[0])
    entries = vst3_entries(base64.b64decode(element.text))
    comp = entries["Comp"]
    old_end = 8 + struct.unpack_from("<I", comp, 4)[0] + 1
    settings_from_chunk(comp)                      # it is Tarn's chunk that is replaced
    entries["Comp"] = tarn_chunk(mode, k) + comp[old_end:]
    element.text = base64.b64encode(vst3_stream(entries)).decode()
    save_session(tree, session_path)


def vst3_settings(processor):
    return "the session's <chunk>", settings_from_chunk(vst3_entries(base64.b64decode(vst3_chunk_element(processor).text))["Comp"])


def check_settings(session_path, kind, mode, k):
    route = track_route(load_session(session_path).getroot())
    procs = tarn_processors(route)
    if len(procs) != 1 or procs[0].get("type") != kind:
        print(f"expected one Tarn {kind.upper()} on {TRACK!r}, found {[(p.get('name'), p.get('type')) for p in procs]}")
        return 1
    where, found = lv2_settings(session_path, procs[0]) if kind == "lv2" else vst3_settings(procs[0])
    print(f"Tarn {kind.upper()} on {TRACK!r}; {where}: destinationMode={found[0]} kReference={found[1]}")
    if found != (str(mode), str(k)):
        print(f"expected destinationMode={mode} kReference={k}")
        return 1
    return 0


# --- The comparison -----------------------------------------------------------------------------

def compare(export_path, signal_path):
    exp_channels, exp_rate, exported = read_float_wav(export_path)
    sig_channels, sig_rate, signal = read_float_wav(signal_path)
    if (exp_channels, exp_rate) != (sig_channels, sig_rate):
        print(f"export {exp_channels} ch {exp_rate} Hz, signal {sig_channels} ch {sig_rate} Hz")
        return 1
    zero = b"\0\0\0\0"
    if not any(s != zero for f in signal for s in f):
        print("the signal is silent")
        return 1
    audible = sum(1 for f in exported if any(s != zero for s in f))
    differing = [i for i in range(min(len(exported), len(signal))) if exported[i] != signal[i]]
    print(f"export: {len(exported)} frames at {exp_rate} Hz ({audible} not silent); signal: {len(signal)} frames; "
          f"{len(differing)} frames differ")
    if audible == 0:
        print("the export is silent")
        return 1
    if len(exported) != len(signal) or differing:
        if differing:
            i = differing[0]
            print(f"first difference at frame {i}: signal {[as_float(s) for s in signal[i]]}, "
                  f"export {[as_float(s) for s in exported[i]]}")
        # An offset shows as the same samples shifted: say so, so it is not taken for a change.
        n = 4096
        for lag in range(1, 8193):
            if exported[lag:lag + n] == signal[:n]:
                print(f"the export is the signal delayed by {lag} frames")
                return 1
            if exported[:n] == signal[lag:lag + n]:
                print(f"the export is the signal advanced by {lag} frames")
                return 1
        return 1
    return 0


def main(argv):
    cmd, args = argv[1], argv[2:]
    if cmd == "signal":
        make_signal(args[0])
        return 0
    if cmd == "place":
        place(args[0], args[1])
        return 0
    if cmd == "lv2-preset":
        write_lv2_preset(args[0], int(args[1]), int(args[2]))
        return 0
    if cmd == "vst3-state":
        set_vst3_state(args[0], int(args[1]), int(args[2]))
        return 0
    if cmd == "settings":
        return check_settings(args[0], args[1], args[2], args[3])
    if cmd == "compare":
        return compare(args[0], args[1])
    if cmd == "pan":
        set_pan(args[0], args[1])
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (OSError, ValueError, KeyError, IndexError, ET.ParseError) as e:
        print(f"{sys.argv[1]}: {e}")
        sys.exit(1)
