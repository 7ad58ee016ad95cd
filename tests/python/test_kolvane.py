"""The Python module against the commands: the same files, the same
verdicts, the same refusals; its SRS against exact responses."""
import json
import math
import os
import shutil
import subprocess

import numpy as np
import pytest

import kolvane

SOURCE = os.environ.get("KOLVANE_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.environ.get("KOLVANE_BUILD_DIR", os.path.join(SOURCE, "build"))
EXAMPLES = os.path.join(SOURCE, "examples")
PROGRAM_FILES = ["trials.out", "rank_d.out", "rank.out", "wavelet.out", "run.out",
                 "accel.out", "velox.out", "disp.out", "srs.out"]


def command(name, *args, cwd=None, stdin=None):
    return subprocess.run([os.path.join(BUILD, name), *args], cwd=cwd, input=stdin,
                          capture_output=True, text=True)


def without_call(report_json):
    """report.json less what names the caller: the arguments and the program."""
    data = json.loads(report_json)
    data.pop("arguments", None)
    return data


@pytest.fixture
def plateau(tmp_path):
    shutil.copy(os.path.join(EXAMPLES, "plateau-75g.srs"), tmp_path)
    return tmp_path / "plateau-75g.srs"


@pytest.mark.parametrize("given", ["file", "array"])
def test_a_synthesis_writes_the_programs_files_byte_for_byte(tmp_path, plateau, given):
    points = np.loadtxt(plateau)
    spec = str(plateau) if given == "file" else points
    run = kolvane.synthesize(spec, zpa=25, spacing=6, q=10, duration=0.2, trials=30, units=2, seed=3)
    assert run.t.shape == run.acceleration.shape == run.velocity.shape == run.displacement.shape
    assert run.acceleration[-1] == 0.0 and run.t[1] == pytest.approx(run.time_step)
    assert run.trials.shape == (30, 8) and run.optimum["trial"] in run.trials[:, 0]
    assert len(run.wavelets["frequency"]) == len(run.srs["frequency"])
    ours = tmp_path / "python"
    run.write(ours)

    theirs = tmp_path / "program"
    theirs.mkdir()
    name = "plateau-75g.srs" if given == "file" else "specification.srs"
    shutil.copy(ours / name, theirs / name)
    answers = f"{name}\n25\n2\n2\n10\n0.2\n30\n2\n3\n"
    finished = command("kolvane_zpa", cwd=theirs, stdin=answers)
    assert finished.returncode == 0, finished.stdout[-2000:]
    for file in PROGRAM_FILES:
        assert (ours / file).read_bytes() == (theirs / file).read_bytes(), file
    again = kolvane.read_run(theirs)
    assert np.array_equal(again.acceleration, run.acceleration)
    assert np.array_equal(again.wavelets["amplitude"], run.wavelets["amplitude"])


def known_answers():
    with open(os.path.join(SOURCE, "tests", "report", "data", "known_answers.txt")) as rows:
        for row in rows:
            if row.startswith("#"):
                continue
            label, rate, samples, h, zeta, fn, positive, negative = row.split()
            yield label, float(rate), int(samples), int(h), float(zeta), float(fn), float(positive), float(negative)


def test_the_srs_meets_exact_responses_within_a_tenth_of_a_percent():
    worst = 0.0
    for label, rate, samples, h, zeta, fn, positive, negative in known_answers():
        n = np.arange(samples + 1)
        pulse = np.sin(math.pi * h * n / samples)
        pos, neg = kolvane.srs(pulse, rate, [fn], damping=zeta)
        exact = max(positive, negative)
        worst = max(worst, abs(max(pos[0], neg[0]) / exact - 1.0))
    assert worst < 1e-3, worst


def test_the_srs_takes_a_history_as_it_is_and_refuses_what_it_cannot_use():
    history = np.zeros(1000)
    history[10:20] = 1.0
    pos, neg = kolvane.srs(history, 10000.0, np.array([100.0, 1000.0]), q=10)
    assert pos.shape == neg.shape == (2,) and np.all(pos > 0)
    as_list = kolvane.srs(history.tolist(), 10000.0, [100.0, 1000.0], q=10)
    assert np.array_equal(as_list[0], pos)
    for bad in [dict(sample_rate=0.0), dict(frequencies=[-1.0]), dict(q=10, damping=0.05)]:
        args = dict(acceleration=history, sample_rate=1e4, frequencies=[100.0])
        args.update(bad)
        with pytest.raises(ValueError):
            kolvane.srs(**args)


def test_a_check_through_python_is_the_reports(tmp_path, plateau):
    run = kolvane.synthesize(str(plateau), zpa=25, spacing=12, duration=0.4, trials=20, units=2)
    folder = tmp_path / "run"
    run.write(folder)
    shaker = os.path.join(EXAMPLES, "shaker-76mm.txt")
    env = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
    reported = command("kolvane_report", str(plateau), str(folder), "--shaker", shaker, "--prefix", "cmd")
    assert reported.returncode in (0, 2), reported.stderr
    os.environ["SOURCE_DATE_EPOCH"] = "1700000000"
    try:
        ours = kolvane.check(str(plateau), str(folder), shaker=shaker, out=str(tmp_path / "python"))
        held = kolvane.check(str(plateau), run, shaker={"stroke_mm_pk_pk": 76.2, "velocity_m_s": 2.0,
                                                        "acceleration_g": 80, "force_n": 9000,
                                                        "moving_mass_kg": 12, "payload_kg": 5})
    finally:
        del os.environ["SOURCE_DATE_EPOCH"]
    del env
    theirs = without_call((folder / "cmd-report.json").read_text())
    mine = without_call(ours.json)
    theirs.pop("checked_utc"), mine.pop("checked_utc")
    assert mine == theirs
    assert ours.verdict == ("PASS" if reported.returncode == 0 else "FAIL")
    assert held.verdict == ours.verdict and held.worst == ours.worst
    assert ours.table in reported.stdout
    assert len(ours.frequency) == len(ours.margin_db) == theirs["srs"]["points"]


def test_a_fit_through_python_is_the_commands(tmp_path, plateau):
    shaker = os.path.join(EXAMPLES, "shaker-76mm.txt")
    os.environ["SOURCE_DATE_EPOCH"] = "1700000000"
    try:
        fit = kolvane.fit(str(plateau), str(tmp_path / "python"), shaker=shaker, trials=30, attempts=2,
                          duration=0.8, units=2)
        done = command("kolvane_fit", str(plateau), str(tmp_path / "command"), "--shaker", shaker, "--trials",
                       "30", "--attempts", "2", "--duration", "0.8", "--units", "2")
    finally:
        del os.environ["SOURCE_DATE_EPOCH"]
    assert done.returncode == fit["status"], done.stderr
    assert fit["verdict"] == ("PASS" if done.returncode == 0 else "FAIL")
    theirs = without_call((tmp_path / "command" / "report.json").read_text())
    mine = without_call(fit["report_json"])
    assert mine == theirs
    assert fit["run"].kind == "refined history"
    for file in PROGRAM_FILES:
        assert (tmp_path / "python" / file).read_bytes() == (tmp_path / "command" / file).read_bytes(), file
    written = kolvane.export(fit["run"], formats=["csv"], rate=51200)
    assert written[0].endswith("history.csv") and os.path.exists(written[-1])


def test_refusals_are_exceptions_in_the_commands_words(tmp_path, plateau):
    cases = [
        (dict(spec=[[10.0, 1.0], [5.0, 2.0]], zpa=1), ValueError, "frequencies ascend"),
        (dict(spec={"frequency": [10, 100], "level": [1, 0]}, zpa=1), ValueError, "not above zero"),
        (dict(spec=np.ones((3, 3)), zpa=1), ValueError, "two columns"),
        (dict(spec=str(plateau), zpa=1e301), ValueError, "Error: the ZPA must be from 0.0001 to 1e300."),
        (dict(spec=str(plateau), zpa=25, spacing=5), ValueError, "3, 6 or 12"),
        (dict(spec=str(plateau), zpa=25, q=10, damping=0.05), ValueError, "not both"),
        (dict(spec=str(tmp_path / "missing.srs"), zpa=25), OSError, "cannot read"),
    ]
    for args, error, words in cases:
        with pytest.raises(error, match=words.replace("(", r"\(").replace(".", r"\.")):
            kolvane.synthesize(**args)
    with pytest.raises(ValueError, match="unknown key"):
        kolvane.check(str(plateau), str(tmp_path), shaker={"strokes": 1})
    with pytest.raises(OSError):
        kolvane.read_run(tmp_path / "nowhere")
    with pytest.raises(ValueError, match="holds no run"):
        kolvane.read_run(tmp_path)
