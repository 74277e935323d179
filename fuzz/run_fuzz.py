#!/usr/bin/env python3
"""Runs one fuzz target for a bounded time on a freshly generated seed corpus.

Exit status is the fuzzer's: 0 when nothing was found. The last lines of
libFuzzer's output (executions, cov, ft) are printed for the record; a crash
input lands in the artefact folder, named by libFuzzer.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    parser.add_argument("--target", required=True)
    parser.add_argument("--work", required=True, help="folder for the corpus and artefacts")
    parser.add_argument("--data", help="data folder written by veldrun-data")
    parser.add_argument("--veldrun-data", help="generator used when --data holds no data set")
    parser.add_argument("--seconds", type=int, default=20)
    parser.add_argument("--dict")
    parser.add_argument("--keep-corpus", action="store_true", help="grow the corpus of an earlier run")
    args = parser.parse_args()

    corpus = os.path.join(args.work, "corpus")
    seeds = os.path.join(args.work, "seeds")
    artefacts = os.path.join(args.work, "artefacts") + os.sep
    if not args.keep_corpus:
        shutil.rmtree(corpus, ignore_errors=True)
    shutil.rmtree(seeds, ignore_errors=True)
    os.makedirs(corpus, exist_ok=True)
    os.makedirs(artefacts, exist_ok=True)

    command = [sys.executable, os.path.join(HERE, "make_seeds.py"), args.target, seeds]
    if args.data:
        command += ["--data", args.data]
    if args.veldrun_data:
        command += ["--veldrun-data", args.veldrun_data]
    subprocess.run(command, check=True)

    fuzz = [args.binary, corpus, seeds, f"-max_total_time={args.seconds}", "-rss_limit_mb=2048", "-timeout=10",
            "-print_final_stats=1", f"-artifact_prefix={artefacts}"]
    if args.dict:
        fuzz.append(f"-dict={args.dict}")
    env = dict(os.environ)
    env.setdefault("ASAN_OPTIONS", "detect_leaks=1:abort_on_error=0")
    env.setdefault("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1")
    print(" ".join(fuzz), flush=True)
    result = subprocess.run(fuzz, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            errors="replace")
    lines = result.stdout.splitlines()
    # The whole log on failure; on success the last status line and the final stats.
    if result.returncode != 0:
        print(result.stdout)
    else:
        status = [l for l in lines if re.match(r"#\d+\s", l)]
        for line in status[-1:] + [l for l in lines if l.startswith("stat::")]:
            print(line)
    print(f"{args.target}: fuzzer exit {result.returncode}; corpus {len(os.listdir(corpus))} inputs; "
          f"artefacts {sorted(os.listdir(artefacts))}")
    return result.returncode


if __name__ == "__main__":
    sys.exit(main())
