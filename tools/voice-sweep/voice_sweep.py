#!/usr/bin/python3
"""Holds the voice model to the handset synthesizer over a set of tunes.

For every tune, converted at each detection level asked:
  - never optimistic: with M the model's count ("-> Handset check [..]: M voices at once"),
    M <= 64 means the render at M voices equals the 64-voice render sample for sample;
  - not wasteful: M is at most the exact count of `quavelrender --voices` plus max(2, 10 %);
  - MIP: for the file converted with -S and each distinct MIP value m <= 64, the render at
    m voices equals the render at the most voices that mute the same channels (the next value
    less one, or 64). Also shown, not counted as a failure: where it differs from the 64-voice
    render of the file with the notes of the channels whose MIP is over m left out, which a
    muted channel's notes can change without taking a voice (docs/voice-model.md).
Prints a line per tune and level, then the distribution of M - exact. Exit status 1 on any
failure. Not part of the test run: the whole corpus takes minutes.

usage: voice_sweep.py BUILD_DIR [TUNE.mid...] [--levels 1,2]
       (default tunes: the openttd-openmsx set)
"""
import collections
import filecmp
import glob
import os
import re
import subprocess
import sys
import tempfile

import mido

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
from midi_edit import without_notes  # noqa: E402

CORPUS = "/usr/share/games/openttd/baseset/openmsx"
FULL_POLYPHONY = 64


def run(command, cwd):
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True)


def model_count(quavel, source, level, work):
    profile = os.path.join(work, "one.profile")
    with open(profile, "w") as f:
        f.write("voices = 1\n")
    out = os.path.join(work, "converted.mid")
    result = run([quavel, source, out, "-D%d" % level, "-P" + profile, "-L" + os.path.join(work, "q.log")], work)
    found = re.search(r"\]: (\d+) voices at once", result.stdout)
    return (int(found.group(1)) if found else 1), out


def exact_count(render, tune, work):
    result = run([render, "--voices", tune], work)
    found = re.search(r"needs (\d+) voices", result.stdout)
    if not found:
        raise RuntimeError("no answer from --voices: " + result.stdout + result.stderr)
    return int(found.group(1))


def renders_equal(render, first, first_voices, second, second_voices, work):
    a = os.path.join(work, "a.wav")
    b = os.path.join(work, "b.wav")
    run([render, first, a, "-N%d" % first_voices], work)
    run([render, second, b, "-N%d" % second_voices], work)
    return filecmp.cmp(a, b, shallow=False)




def mip_check(quavel, render, source, level, work):
    out = os.path.join(work, "sp.mid")
    result = run([quavel, source, out, "-D%d" % level, "-S", "-L" + os.path.join(work, "q.log")], work)
    mips = [(int(c), int(m)) for c, m in re.findall(r"MIP of ch(\d+) = (\d+)", result.stdout)]
    values = sorted({mip for _, mip in mips if mip <= FULL_POLYPHONY})
    left_out, same_muting = [], []
    for at, m in enumerate(values):
        muted = {channel for channel, mip in mips if mip > m}
        reference = os.path.join(work, "reference.mid")
        without_notes(out, muted, reference)
        if not renders_equal(render, out, m, reference, FULL_POLYPHONY, work):
            left_out.append(m)
        # The most voices that still mute the same channels: notes of muted
        # channels change the synthesizer's state without taking voices, so
        # this tells the voices apart from that.
        most = values[at + 1] - 1 if at + 1 < len(values) else FULL_POLYPHONY
        if not renders_equal(render, out, m, out, most, work):
            same_muting.append(m)
    return len(values), left_out, same_muting


def main():
    args = sys.argv[1:]
    levels = [1, 2]
    if "--levels" in args:
        at = args.index("--levels")
        levels = [int(x) for x in args[at + 1].split(",")]
        del args[at:at + 2]
    build = os.path.abspath(args[0])
    tunes = args[1:] or sorted(glob.glob(os.path.join(CORPUS, "*.mid")))
    quavel = os.path.join(build, "console", "quavel")
    render = os.path.join(build, "render", "quavelrender")
    margins = collections.Counter()
    failed = False
    with tempfile.TemporaryDirectory() as work:
        for tune in tunes:
            for level in levels:
                m, converted = model_count(quavel, os.path.abspath(tune), level, work)
                exact = exact_count(render, converted, work)
                optimistic = m <= FULL_POLYPHONY and not renders_equal(render, converted, m, converted,
                                                                      FULL_POLYPHONY, work)
                wasteful = m > exact + max(2, exact // 10)
                values, left_out, same_muting = mip_check(quavel, render, os.path.abspath(tune), level, work)
                margins[m - exact] += 1
                verdict = "optimistic " if optimistic else ""
                verdict += "wasteful " if wasteful else ""
                verdict += ("MIP fails at %s " % same_muting) if same_muting else ""
                failed |= bool(verdict)
                verdict += ("(differs from the render without the muted notes at %s)" % left_out) if left_out else ""
                print("%-32s level %d: model %2d, exact %2d, MIP values %2d %s" %
                      (os.path.basename(tune), level, m, exact, values, verdict or "ok"), flush=True)
    print("model - exact: " + ", ".join("%+d: %d" % (k, margins[k]) for k in sorted(margins)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
