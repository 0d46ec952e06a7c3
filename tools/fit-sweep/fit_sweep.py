#!/usr/bin/python3
"""Holds `quavel -F` to its word over a set of tunes.

For every tune, detection level and profile, with plain.mid the conversion without -F and
fit.mid the conversion with -Fprofile:
  - check: the check's lines after the fit end in "fits", or list exactly the findings the
    fit's closing line counts as not fixed, and the exit status is 3 just when they do not fit;
  - render: fit.mid rendered at the profile's voices (at most 64) equals its 64-voice render
    sample for sample; with a MIP message in fit.mid, the 64-voice render of a copy of fit.mid
    without the notes of the channels such a handset mutes (MIP over its voices, or not listed).
    Where that differs, also shown: whether the render equals the 64-voice render of a copy whose
    MIP message mutes the same channels at 64 voices too (docs/voice-model.md, "Muted channels",
    tells the two apart);
  - notes: read with mido, every note of fit.mid is a note of plain.mid on the same channel with
    the same velocity, its key moved by whole octaves at most, starting within 0.5 ms (times in
    ms by each file's own tempo map); its end may be the same, later or earlier. Notes of
    plain.mid may be missing;
  - events: every other event of plain.mid is in fit.mid within 0.5 ms, except pitch bends,
    pan, channel and key pressure, bank selects, SysEx and text metas, which may be missing;
    fit.mid has no event plain.mid lacks but its MIP message (with max-tempo-changes in the
    profile, tempos may be missing too, folded by the fit: the times in ms hold the rest);
  - again: fit.mid fitted again with the same profile gives the same bytes (counted, not a
    failure: a converted file converted again may differ);
  - same: where the check of plain.mid (-Pprofile) says it fits, and always for voices-64, the
    fit writes the bytes of plain.mid.
Prints a line per tune and level, then a summary line per check and the failures, each with
the commands that show it. Exit status 1 on any failure. Not part of the test run.

usage: fit_sweep.py [--quavel PATH] [--render PATH] [--tunes GLOB] [--profiles LIST]
                    [--levels 1,2] [--jobs N]
       (default: build/native's programs, the openttd-openmsx set, the shipped profiles)
"""
import argparse
import bisect
import collections
import concurrent.futures
import glob
import os
import re
import shlex
import subprocess
import sys
import tempfile
import wave

import mido

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
from midi_edit import with_channels_muted_at_any_polyphony, without_notes  # noqa: E402

CORPUS = "/usr/share/games/openttd/baseset/openmsx"
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SHIPPED = ["gm-lite", "sp-midi-3gpp", "voices-16", "voices-32", "voices-64"]
FULL_POLYPHONY = 64
SLACK_MS = 0.5
CHECKS = ["run", "check", "render", "notes", "events", "again", "same"]
# Kinds the fit may leave out (the profile's `unsupported`), and what slimming drops.
MAY_BE_MISSING = {"pitchwheel", "aftertouch", "polytouch", "sysex", "text", "copyright", "track_name",
                  "instrument_name", "lyrics", "marker", "cue_marker", "device_name", "program_name"}
PAN, BANK_MSB, BANK_LSB = 10, 0, 32


def run(command, cwd):
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True)


# The programs' paths, shown once at the top as $Q and $R.
PROGRAMS = {}


def shown(command):
    return " ".join(PROGRAMS.get(part, shlex.quote(part)) for part in command)


def read_profile(name):
    path = name if os.path.isfile(name) else os.path.join(ROOT, "profiles", name + ".profile")
    settings = {}
    with open(path) as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if "=" in line:
                key, value = (part.strip() for part in line.split("=", 1))
                settings[key] = value
    # quavel names a profile given by its path by that path.
    return {"name": name, "arg": name, "voices": int(settings.get("voices", FULL_POLYPHONY)),
            "mip": settings.get("mip", "allowed"), "folds_tempos": "max-tempo-changes" in settings}


# --- reading a file with mido --------------------------------------------------------------

def timed_events(path):
    """(ms, track, message) for every event, in playing order, by the file's own tempo map."""
    midi = mido.MidiFile(path, clip=True)
    per_track = []
    for number, track in enumerate(midi.tracks):
        tick = 0
        for message in track:
            tick += message.time
            per_track.append((tick, number, message))
    per_track.sort(key=lambda e: (e[0], e[1]) if midi.type != 2 else (e[1], e[0]))
    out = []
    if midi.type == 2:
        # Each track its own tempo map.
        by_track = collections.defaultdict(list)
        for event in per_track:
            by_track[event[1]].append(event)
        for number in sorted(by_track):
            out.extend(apply_tempo(by_track[number], midi.ticks_per_beat))
    else:
        out = apply_tempo(per_track, midi.ticks_per_beat)
    return midi, out


def apply_tempo(events, division):
    tempo, last_tick, ms = 500000, 0, 0.0
    out = []
    for tick, track, message in events:
        ms += (tick - last_tick) * tempo / division / 1000.0
        last_tick = tick
        out.append((ms, track, message))
        if message.type == "set_tempo":
            tempo = message.tempo
    return out


def notes_of(events):
    """(channel, key, velocity, start ms, end ms or None, track) of every note."""
    sounding = collections.defaultdict(list)
    notes = []
    for ms, track, message in events:
        if message.type not in ("note_on", "note_off"):
            continue
        key = (message.channel, message.note)
        if message.type == "note_on" and message.velocity > 0:
            sounding[key].append((message.velocity, ms, track))
        else:
            # One note-off ends every sounding note of its key.
            for velocity, start, on_track in sounding.pop(key, []):
                notes.append((key[0], key[1], velocity, start, ms, on_track))
    for key, left in sounding.items():
        for velocity, start, on_track in left:
            notes.append((key[0], key[1], velocity, start, None, on_track))
    notes.sort(key=lambda n: (n[3], n[0], n[1]))
    return notes


def event_identity(message):
    """What an event is, its time aside; None for notes."""
    if message.type in ("note_on", "note_off"):
        return None
    fields = message.dict()
    fields.pop("time", None)
    if "data" in fields:
        fields["data"] = tuple(fields["data"])
    return tuple(sorted(fields.items()))


def may_be_missing(message):
    if message.type in MAY_BE_MISSING:
        return True
    return message.type == "control_change" and message.control in (PAN, BANK_MSB, BANK_LSB)


def is_mip(message):
    data = message.data if message.type == "sysex" else ()
    return len(data) >= 4 and data[0] == 0x7F and data[2] == 0x0B and data[3] == 0x01


def mip_entries(message):
    data, entries = list(message.data[4:]), []
    while len(data) >= 2 and data[0] < 0x80 and data[1] < 0x80:
        entries.append((data[0], data[1]))
        data = data[2:]
    return entries


def ms_text(ms):
    return "?" if ms is None else "%d:%06.3f" % (ms // 60000, (ms % 60000) / 1000.0)


def note_text(note):
    channel, key, velocity, start, end, track = note
    return "ch%d key %d vel %d at %s to %s (track %d)" % (channel, key, velocity, ms_text(start), ms_text(end), track)


def compare_notes(plain_notes, fit_notes):
    """Violations, and how the ends of the matched notes changed."""
    groups = collections.defaultdict(list)
    for note in plain_notes:
        groups[(note[0], note[1] % 12)].append(note)
    starts = {key: [n[3] for n in group] for key, group in groups.items()}
    used = set()
    violations, ends = [], collections.Counter()
    for note in fit_notes:
        key = (note[0], note[1] % 12)
        group = groups.get(key, [])
        at = bisect.bisect_left(starts.get(key, []), note[3] - SLACK_MS)
        best = None
        while at < len(group) and group[at][3] <= note[3] + SLACK_MS:
            candidate = group[at]
            if id(candidate) not in used:
                rank = (candidate[2] != note[2], candidate[1] != note[1], abs(candidate[3] - note[3]))
                if best is None or rank < best[0]:
                    best = (rank, candidate)
            at += 1
        if best is None:
            violations.append("note not in the plain file: " + note_text(note))
            continue
        match = best[1]
        used.add(id(match))
        if match[2] != note[2]:
            violations.append("velocity %d, plain %s" % (note[2], note_text(match)))
        if match[1] != note[1]:
            ends["moved by octaves"] += 1
        if match[4] is None or note[4] is None:
            ends["end same" if match[4] is None and note[4] is None else "unended in one"] += 1
        elif abs(note[4] - match[4]) <= SLACK_MS:
            ends["end same"] += 1
        elif note[4] > match[4]:
            ends["lengthened"] += 1
        else:
            ends["ended early"] += 1
    ends["left out"] = len(plain_notes) - len(used)
    return violations, ends


def compare_events(plain_events, fit_events, folds_tempos):
    plain = collections.defaultdict(list)
    for ms, track, message in plain_events:
        identity = event_identity(message)
        if identity is not None:
            plain[identity].append([ms, False, message])
    violations = []
    for ms, track, message in fit_events:
        identity = event_identity(message)
        if identity is None:
            continue
        candidates = [c for c in plain.get(identity, []) if not c[1] and abs(c[0] - ms) <= SLACK_MS]
        if candidates:
            min(candidates, key=lambda c: abs(c[0] - ms))[1] = True
        elif not is_mip(message) and not (folds_tempos and message.type == "set_tempo"):
            violations.append("event not in the plain file at %s (track %d): %s" % (ms_text(ms), track, message))
    missing = collections.Counter()
    for identity, candidates in plain.items():
        for ms, found, message in candidates:
            if found:
                continue
            if may_be_missing(message) or (folds_tempos and message.type == "set_tempo"):
                missing[message.type] += 1
            else:
                violations.append("event missing at %s: %s" % (ms_text(ms), message))
    return violations, missing


# --- rendering -------------------------------------------------------------------------------

def pcm(path):
    with wave.open(path, "rb") as w:
        return w.getframerate(), w.getnchannels() * w.getsampwidth(), w.readframes(w.getnframes())


def first_difference(a, b):
    if a == b:
        return None
    n = min(len(a), len(b))
    low, high = 0, n
    # Halves on slices: a byte loop over minutes of audio is too slow.
    while high - low > 4096:
        middle = (low + high) // 2
        if a[low:middle] != b[low:middle]:
            high = middle
        else:
            low = middle
    for at in range(low, high):
        if a[at] != b[at]:
            return at
    return n


def render_compare(render, first, first_voices, second, second_voices, work):
    """None when equal, else the first differing frame and its time."""
    for tune, voices, wav in ((first, first_voices, "a.wav"), (second, second_voices, "b.wav")):
        result = run([render, tune, wav, "-N%d" % voices], work)
        if result.returncode != 0:
            return "render failed: %s: %s" % (shown([render, tune, wav, "-N%d" % voices]), result.stderr.strip())
    rate, frame, left = pcm(os.path.join(work, "a.wav"))
    _, _, right = pcm(os.path.join(work, "b.wav"))
    at = first_difference(left, right)
    if at is None:
        return None
    extra = "" if len(left) == len(right) else " (lengths %d and %d frames)" % (len(left) // frame, len(right) // frame)
    return "first differing sample %d at %.3f s%s" % (at // frame, at // frame / rate, extra)




# --- one tune --------------------------------------------------------------------------------

def check_case(options, profiles, source, level, work):
    """Results of every check for one tune and level: {profile: {check: (ok, detail)}}."""
    quavel, render = options.quavel, options.render
    log = ["-Lq.log"]
    # The commands name their files as in the folder they run in, so that a failure's
    # commands can be run again as they are shown.
    plain = os.path.join(work, "plain.mid")
    base = [quavel, source, "plain.mid", "-D%d" % level]
    plain_run = run(base + log, work)
    outcome = {}
    for profile in profiles:
        results = outcome[profile["name"]] = {}
        if plain_run.returncode != 0:
            results["run"] = (False, "%s: status %d %s" % (shown(base), plain_run.returncode, plain_run.stderr.strip()))
            continue
        fit = os.path.join(work, "fit.mid")
        for old in ("fit.mid", "fit2.mid", "p.mid", "muted.mid", "muted64.mid"):
            if os.path.exists(os.path.join(work, old)):
                os.remove(os.path.join(work, old))
        fit_command = [quavel, source, "fit.mid", "-D%d" % level, "-F" + profile["arg"]]
        shows = shown(base) + " && " + shown(fit_command)
        fit_run = run(fit_command + log, work)
        if fit_run.returncode not in (0, 3) or not os.path.exists(fit):
            results["run"] = (False, "%s: status %d %s" % (shown(fit_command), fit_run.returncode,
                                                          fit_run.stderr.strip()))
            continue
        results["run"] = (True, "")
        lines = fit_run.stdout.splitlines()
        name = re.escape(profile["name"])
        closing = [re.match(r"-> Fit \[%s\]: (\d+) changes; (\d+) findings not fixed$" % name, l) for l in lines]
        closing = [m for m in closing if m]
        checks = [l for l in lines if l.startswith("-> Handset check [%s]: " % profile["name"])]
        fits = bool(checks) and checks[-1].endswith(": fits")
        problem = None
        if len(closing) != 1:
            problem = "%d closing lines" % len(closing)
        elif not checks:
            problem = "no check lines"
        else:
            not_fixed = int(closing[0].group(2))
            counted = re.search(r": (\d+) findings?$", checks[-1])
            findings = len(checks) - 1
            if fits and (findings or not_fixed):
                problem = "fits, yet %d findings not fixed and %d finding lines" % (not_fixed, findings)
            elif not fits and (not counted or int(counted.group(1)) != findings or findings != not_fixed):
                problem = "closing line says %d not fixed; the check: %s (%d finding lines)" % (
                    not_fixed, checks[-1], findings)
            elif (fit_run.returncode == 3) == fits:
                problem = "status %d, check %s" % (fit_run.returncode, "fits" if fits else "does not fit")
        results["check"] = (problem is None, "%s: %s" % (shows, problem) if problem else
                            ("" if fits else "%d findings not fixed" % (len(checks) - 1)))

        # The render at the handset's voices.
        voices = min(profile["voices"], FULL_POLYPHONY)
        plain_midi, plain_events = timed_events(plain)
        fit_midi, fit_events = timed_events(fit)
        mips = [m for _, _, m in fit_events if is_mip(m)]
        said_order = any(re.match(r"-> Fit \[%s\]: SP-MIDI order " % name, l) for l in lines)
        render_shows = "%s && %s fit.mid a.wav -N%d" % (shows, shown([render]), voices)
        if mips:
            entries = mip_entries(mips[0])
            listed = {channel for channel, _ in entries}
            playing = {m.channel for _, _, m in fit_events if m.type == "note_on"}
            muted = {channel for channel, mip in entries if mip > voices} | (playing - listed)
            reference = os.path.join(work, "muted.mid")
            without_notes(fit, muted, reference)
            difference = render_compare(render, "fit.mid", voices, "muted.mid", FULL_POLYPHONY, work)
            note = "MIP mutes ch %s at %d voices" % (",".join(str(c) for c in sorted(muted)) or "none", voices)
            if playing - listed:
                note += " (ch %s not listed)" % ",".join(str(c) for c in sorted(playing - listed))
            if len(mips) > 1:
                note += " (%d MIP messages; the first read)" % len(mips)
            if difference:
                # Is it a want of voices, or the muted notes' own effect on the synthesizer?
                # A copy whose MIP mutes those channels at 64 voices too tells the two apart.
                with_channels_muted_at_any_polyphony(fit, muted, os.path.join(work, "muted64.mid"))
                same = render_compare(render, "fit.mid", voices, "muted64.mid", FULL_POLYPHONY, work)
                difference = ("%s; %s; against the 64-voice render of fit.mid without their notes: %s; "
                              "against the 64-voice render of a copy that mutes them at 64 too: %s") % (
                    render_shows, note, difference, "equal" if same is None else same)
            results["render"] = (difference is None, difference or note)
        else:
            difference = render_compare(render, "fit.mid", voices, "fit.mid", FULL_POLYPHONY, work)
            results["render"] = (difference is None,
                                 "%s against -N64: %s" % (render_shows, difference) if difference else "")
        if said_order != bool(mips):
            results["render"] = (False, "%s: 'SP-MIDI order' line %s, MIP messages in fit.mid: %d" % (
                shows, "printed" if said_order else "not printed", len(mips)))

        # An independent reading of what the fit changed.
        violations, ends = compare_notes(notes_of(plain_events), notes_of(fit_events))
        results["notes"] = (not violations, ("%s: %s" % (shows, "; ".join(violations[:5]) +
                                                         (" (+%d more)" % (len(violations) - 5)
                                                          if len(violations) > 5 else "")))
                            if violations else ", ".join("%s %d" % (k, v) for k, v in sorted(ends.items()) if v), ends)
        violations, missing = compare_events(plain_events, fit_events, profile["folds_tempos"])
        results["events"] = (not violations, ("%s: %s" % (shows, "; ".join(violations[:5]) +
                                                          (" (+%d more)" % (len(violations) - 5)
                                                           if len(violations) > 5 else "")))
                             if violations else ", ".join("%s %d missing" % kv for kv in sorted(missing.items())))

        # The fit of a fitted file.
        again = os.path.join(work, "fit2.mid")
        again_command = [quavel, "fit.mid", "fit2.mid", "-D%d" % level, "-F" + profile["arg"]]
        again_run = run(again_command + log, work)
        fit_bytes = open(fit, "rb").read()
        again_bytes = open(again, "rb").read() if os.path.exists(again) else b""
        at = first_difference(fit_bytes, again_bytes)
        if at is None:
            results["again"] = (True, "")
        else:
            changes = [l[len("-> Fit [%s]: " % profile["name"]):] for l in again_run.stdout.splitlines()
                       if l.startswith("-> Fit [%s]: " % profile["name"])]
            found = [tuple(m.data) for _, _, m in timed_events(again)[1] if is_mip(m)] if again_bytes else []
            mips_again = "%d%s" % (len(found), " (not all alike)" if len(set(found)) > 1 else "")
            results["again"] = (False, "%s && %s: status %d, %d bytes for %d, first difference at byte %d; "
                                "MIP messages %s for %d; its fit: %s" % (
                                    shows, shown(again_command), again_run.returncode, len(again_bytes),
                                    len(fit_bytes), at, mips_again, len(mips), " | ".join(changes)))

        # A file that already fits is left as it is.
        check_command = [quavel, source, "p.mid", "-D%d" % level, "-P" + profile["arg"]]
        check_run = run(check_command + log, work)
        plain_fits = any(l == "-> Handset check [%s]: fits" % profile["name"] for l in check_run.stdout.splitlines())
        plain_bytes = open(plain, "rb").read()
        if plain_fits:
            at = first_difference(plain_bytes, fit_bytes)
            results["same"] = (at is None, "" if at is None else "%s: %d bytes for %d, first difference at byte %d" % (
                shows, len(fit_bytes), len(plain_bytes), at))
        elif profile["name"] == "voices-64":
            # Every tune of the corpus should fit the largest handset as converted.
            results["same"] = (False, "%s: the plain file does not fit: %s" % (shown(check_command), "; ".join(
                l for l in check_run.stdout.splitlines() if l.startswith("-> Handset check"))))
    return outcome


def one(options, profiles, tune, level):
    with tempfile.TemporaryDirectory(dir=options.work) as work:
        try:
            return check_case(options, profiles, os.path.abspath(tune), level, work)
        except Exception as error:  # a file mido cannot read, for one
            return {p["name"]: {"run": (False, "%s level %d: %s: %s" % (tune, level, type(error).__name__, error))}
                    for p in profiles}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--quavel", default=os.path.join(ROOT, "build", "native", "console", "quavel"))
    parser.add_argument("--render", default=os.path.join(ROOT, "build", "native", "render", "quavelrender"))
    parser.add_argument("--tunes", default=os.path.join(CORPUS, "*.mid"))
    parser.add_argument("--profiles", default=",".join(SHIPPED), help="names or paths, comma-separated")
    parser.add_argument("--levels", default="1,2")
    parser.add_argument("--jobs", type=int, default=2)
    options = parser.parse_args()
    options.quavel, options.render = os.path.abspath(options.quavel), os.path.abspath(options.render)
    PROGRAMS.update({options.quavel: "$Q", options.render: "$R"})
    print("Q=%s R=%s" % (shlex.quote(options.quavel), shlex.quote(options.render)))
    print("(each failure's commands run in an empty folder)")
    profiles = [read_profile(p) for p in options.profiles.split(",") if p]
    levels = [int(x) for x in options.levels.split(",")]
    tunes = sorted(glob.glob(options.tunes))
    cases = [(tune, level) for tune in tunes for level in levels]
    counts = {check: collections.Counter() for check in CHECKS}
    failures = collections.defaultdict(list)
    note_changes = collections.defaultdict(collections.Counter)
    with tempfile.TemporaryDirectory(prefix="fit-sweep-") as options.work:
        with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, options.jobs)) as pool:
            futures = [pool.submit(one, options, profiles, tune, level) for tune, level in cases]
            for (tune, level), future in zip(cases, futures):
                outcome = future.result()
                words = []
                for profile in profiles:
                    results = outcome[profile["name"]]
                    if "notes" in results:
                        note_changes[profile["name"]].update(results["notes"][2])
                    bad = [check for check in CHECKS if check in results and not results[check][0]]
                    for check in CHECKS:
                        if check in results:
                            counts[check]["ok" if results[check][0] else "failed"] += 1
                    for check in bad:
                        failures[check].append("%s level %d %s: %s" % (os.path.basename(tune), level,
                                                                       profile["name"], results[check][1]))
                    words.append("%s %s" % (profile["name"], "ok" if not bad else "/".join(bad)))
                print("%-32s level %d: %s" % (os.path.basename(tune), level, ", ".join(words)), flush=True)
    print()
    what = {"run": "quavel ran", "check": "check lines agree with the closing line",
            "render": "render at the handset's voices as at 64 (or without the muted notes)",
            "notes": "notes of fit.mid are notes of plain.mid", "events": "other events kept in time",
            "again": "-F of fit.mid gives fit.mid (counted, not a failure)",
            "same": "-F of a file that fits gives the plain bytes"}
    for check in CHECKS:
        print("%-7s %4d ok, %4d differ  %s" % (check, counts[check]["ok"], counts[check]["failed"], what[check]))
    print()
    for profile in profiles:
        changes = note_changes[profile["name"]]
        print("notes of fit.mid for %s: %s" % (profile["name"], ", ".join(
            "%s %d" % (k, changes[k]) for k in ("end same", "moved by octaves", "lengthened", "ended early", "left out",
                                                "unended in one"))))
    for check in CHECKS:
        if failures[check]:
            print("\n== %s" % check)
            for line in failures[check]:
                print("  " + line)
    return 1 if any(counts[c]["failed"] for c in CHECKS if c != "again") else 0


if __name__ == "__main__":
    sys.exit(main())
