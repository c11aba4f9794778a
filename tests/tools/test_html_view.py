"""The HTML byte map of tav-dump in a real browser (headless Chromium driven by Selenium,
started and stopped here): every consumed byte belongs to exactly one field, selecting a field
highlights exactly its bytes (and a byte its field), hovering links both, the end of the data
and left-over bytes are marked, and the page fetches nothing. Screenshots go to
<build>/tests/tools/screenshots."""

import os
import re
import shutil
import tempfile

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By

from conftest import run, sample

CHROMIUM = shutil.which("chromium") or "/usr/bin/chromium"
DRIVER = shutil.which("chromedriver") or "/usr/bin/chromedriver"
OUT = os.path.join(os.environ.get("TAV_TEST_OUT", tempfile.gettempdir()), "screenshots")


@pytest.fixture(scope="module")
def browser():
    profile = tempfile.mkdtemp(prefix="tav-chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--disable-dev-shm-usage",
                 f"--user-data-dir={profile}", "--window-size=1400,1000"]:
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(executable_path=DRIVER), options=options)
    try:
        yield driver
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


def page(tmp_path, name, data, *args):
    result = run("tav-dump", "--format=html", *args, "-", data=data)
    path = tmp_path / f"{name}.html"
    path.write_bytes(result.stdout)
    return path, result


SECTIONS = """
return Array.from(document.querySelectorAll('section.msg')).map(s => ({
  start: +s.dataset.start, body: +s.dataset.body, consumedEnd: +s.dataset.consumedEnd,
  size: +s.dataset.size,
  cells: Array.from(s.querySelectorAll('.b[data-o]')).map(c => [+c.dataset.o,
      c.dataset.f === undefined ? -1 : +c.dataset.f, c.className]),
  rows: Array.from(s.querySelectorAll('.fld')).map(r => [+r.dataset.f, +r.dataset.o,
      +r.dataset.l, r.dataset.path]),
  ends: s.querySelectorAll('.end').length,
}));
"""


def check_tiling(section):
    """Every byte of the message up to the end of the body's reading lies in exactly one
    field, and the grid says so too."""
    owners = {}
    for f, offset, length, path in section["rows"]:
        for o in range(offset, offset + length):
            assert o not in owners, f"byte {o} in {owners[o]} and {path}"
            owners[o] = f
    end = section["start"] + section["size"]
    consumed = range(section["start"], section["consumedEnd"])
    assert all(o in owners for o in consumed), [o for o in consumed if o not in owners]
    assert all(o < section["consumedEnd"] for o in owners)
    cells = {o: (f, cls) for o, f, cls in section["cells"]}
    assert sorted(cells) == list(range(section["start"], end))
    for o in consumed:
        assert cells[o][0] == owners[o], o


def selected(driver):
    cells = driver.execute_script(
        "return Array.from(document.querySelectorAll('.b.sel')).map(c => +c.dataset.o)")
    rows = driver.execute_script(
        "return Array.from(document.querySelectorAll('.fld.sel')).map(r => +r.dataset.f)")
    return sorted(cells), rows


def test_byte_map_of_a_stream(browser, tmp_path):
    data = b"".join(sample("gamestate", v) for v in ("8.4", "7.6", "8.0"))
    path, result = page(tmp_path, "stream", data)
    assert result.returncode == 0
    html = result.stdout.decode()
    # Self-contained: nothing to fetch.
    assert not re.search(r"<(script|link|img|iframe)[^>]*\s(src|href)=", html)
    assert "http://" not in html and "https://" not in html

    browser.get(path.as_uri())
    sections = browser.execute_script(SECTIONS)
    assert [s["start"] for s in sections] == [0, 91, 174]
    for section in sections:
        check_tiling(section)
        assert section["consumedEnd"] == section["start"] + section["size"]
        assert section["ends"] == 0

    # Selecting each field of the first message highlights exactly its bytes and its row.
    first = browser.find_elements(By.CSS_SELECTOR, "section.msg")[0]
    rows = first.find_elements(By.CSS_SELECTOR, ".fld")
    for row in rows:
        f, offset, length = (int(row.get_attribute(a)) for a in ("data-f", "data-o", "data-l"))
        browser.execute_script("arguments[0].scrollIntoView({block: 'center'})", row)
        row.click()
        assert selected(browser) == (list(range(offset, offset + length)), [f]), row.text
        row.click()  # a second click clears the selection
        assert selected(browser) == ([], [])

    # Clicking a byte selects its field; hovering a byte marks its row.
    cell = first.find_element(By.CSS_SELECTOR, '.b[data-o="75"]')  # inside the player's name
    browser.execute_script("arguments[0].scrollIntoView({block: 'center'})", cell)
    cell.click()
    cells, chosen = selected(browser)
    assert cells == [74, 75, 76, 77] and len(chosen) == 1
    name_row = first.find_element(By.CSS_SELECTOR, f'.fld[data-f="{chosen[0]}"]')
    assert name_row.get_attribute("data-path") == "actors[1].player.name"
    ActionChains(browser).move_to_element(
        first.find_element(By.CSS_SELECTOR, '.b[data-o="17"]')).perform()
    hovered = browser.execute_script(
        "return Array.from(document.querySelectorAll('.fld.hover')).map(r => r.dataset.path)")
    assert hovered == ["round"]

    os.makedirs(OUT, exist_ok=True)
    browser.execute_script("window.scrollTo(0, 0)")
    assert browser.save_screenshot(os.path.join(OUT, "byte-map-stream.png"))


def test_where_the_data_ran_out_and_left_over_bytes(browser, tmp_path):
    cut = sample("gamestate", "8.4")[:80]
    path, result = page(tmp_path, "cut", cut)
    assert result.returncode == 1
    browser.get(path.as_uri())
    (section,) = browser.execute_script(SECTIONS)
    check_tiling(section)
    assert section["ends"] == 1
    unread = [o for o, f, cls in section["cells"] if "unread" in cls]
    assert unread == list(range(section["consumedEnd"], 80))
    status = browser.find_element(By.CSS_SELECTOR, "p.status")
    assert "the data ran out at offset" in status.text and "bad" in status.get_attribute("class")
    assert browser.save_screenshot(os.path.join(OUT, "byte-map-cut.png"))

    padded = sample("body", "7.6") + b"\x01\x02\x03"
    path, result = page(tmp_path, "left", padded, "--bare", "--protocol=7.6")
    assert result.returncode == 1
    browser.get(path.as_uri())
    (section,) = browser.execute_script(SECTIONS)
    check_tiling(section)
    left = [o for o, f, cls in section["cells"] if "left" in cls]
    assert left == [66, 67, 68] and section["consumedEnd"] == 66
    assert "3 bytes left over at offset 66" in browser.find_element(By.CSS_SELECTOR,
                                                                     "p.status").text
    assert browser.save_screenshot(os.path.join(OUT, "byte-map-left-over.png"))
