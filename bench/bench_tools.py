"""Time and peak memory of tav-dump's formats and of tav-encode over a 10,000-message stream,
a 10,000-actor message and a large body, and the HTML page's load time in headless Chromium.

Usage: /usr/bin/python3 bench/bench_tools.py [build dir, default build/default] [repetitions]
Prints a Markdown table per input (medians of the repetitions)."""

import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "default")
REPS = int(sys.argv[2]) if len(sys.argv) > 2 else 3
DUMP = os.path.join(BUILD, "tools", "tav-dump")
ENCODE = os.path.join(BUILD, "tools", "tav-encode")
SAMPLES = os.path.join(ROOT, "examples", "data")


def sample(version):
    with open(os.path.join(SAMPLES, f"gamestate-{version}.bin"), "rb") as f:
        return f.read()


def actors_message(n):
    document = json.loads(subprocess.run([DUMP, "-f", "json", "-"], input=sample("8.4"),
                                         capture_output=True).stdout)
    state = document["state"]
    state["actors"] = (state["actors"] * n)[:n]
    return subprocess.run([ENCODE], input=json.dumps({"state": state}).encode(),
                          capture_output=True, check=True).stdout


def measure(args, path):
    """Median seconds and peak resident kilobytes of a run over the file at path."""
    times, peaks, size = [], [], 0
    for _ in range(REPS):
        with open(path, "rb") as data, tempfile.TemporaryFile() as out:
            result = subprocess.run(["/usr/bin/time", "-f", "%e %M", *args], stdin=data,
                                    stdout=out, stderr=subprocess.PIPE)
            size = out.tell()
        seconds, kilobytes = result.stderr.decode().strip().splitlines()[-1].split()
        times.append(float(seconds))
        peaks.append(int(kilobytes))
    return statistics.median(times), statistics.median(peaks), size


def page_load(path):
    """Median milliseconds from navigation to the page's script having drawn the first message."""
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    profile = tempfile.mkdtemp(prefix="tav-bench-")
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 f"--user-data-dir={profile}", "--window-size=1400,1000"]:
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver") or
                                              "/usr/bin/chromedriver"), options=options)
    try:
        loads = []
        for _ in range(REPS):
            driver.get("file://" + path)
            loads.append(driver.execute_script("return window.tavReadyAt"))
        return statistics.median(loads)
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


def main():
    work = tempfile.mkdtemp(prefix="tav-bench-tools-")
    inputs = {
        "10,000-message stream": b"".join(sample(("7.6", "8.0", "8.4")[k % 3])
                                          for k in range(10000)),
        "10,000-actor message": actors_message(10000),
        "400,000-actor message": actors_message(400000),
    }
    for name, data in inputs.items():
        path = os.path.join(work, "input.bin")
        with open(path, "wb") as f:
            f.write(data)
        print(f"\n{name}: {len(data)} bytes\n")
        print("| run | time (s) | peak memory (MB) | bytes of memory per input byte | output size / input |")
        print("| --- | ---: | ---: | ---: | ---: |")
        runs = [[DUMP, "-f", fmt, "-"] for fmt in
                ("text", "json", "jsonl", "summary", "annotate", "html")] + [[DUMP, "--diff", "-"]]
        for args in runs:
            seconds, kilobytes, size = measure(args, path)
            label = " ".join(args[1:-1])
            print(f"| tav-dump {label} | {seconds:.2f} | {kilobytes / 1024:.0f} | "
                  f"{kilobytes * 1024 / len(data):.0f} | {size / len(data):.1f} |")
            if args[1:] == ["-f", "jsonl", "-"]:
                jsonl = os.path.join(work, "input.jsonl")
                with open(path, "rb") as src, open(jsonl, "wb") as out:
                    subprocess.run(args, stdin=src, stdout=out)
                seconds, kilobytes, size = measure([ENCODE, "-"], jsonl)
                print(f"| tav-encode (of the jsonl) | {seconds:.2f} | {kilobytes / 1024:.0f} | "
                      f"{kilobytes * 1024 / len(data):.0f} | {size / len(data):.1f} |")
        if len(data) < (1 << 20):
            html = os.path.join(work, "page.html")
            with open(path, "rb") as src, open(html, "wb") as out:
                subprocess.run([DUMP, "-f", "html", "-"], stdin=src, stdout=out)
            print(f"\npage: {os.path.getsize(html) / len(data):.1f} times the input; "
                  f"load in headless Chromium {page_load(html):.0f} ms (median of {REPS})")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
