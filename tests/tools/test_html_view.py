"""The HTML byte map of tav-dump in a real browser (headless Chromium driven by Selenium,
started and stopped here): every consumed byte belongs to exactly one field, selecting a field
highlights exactly its bytes (and a byte its field), hovering links both, the end of the data
and left-over bytes are marked, and the page fetches nothing. Screenshots go to
<build>/tests/tools/screenshots."""

import json
import os
import re
import shutil
import tempfile

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

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


SECTION = """
const i = arguments[0];
tavMap.show(i);
const s = document.getElementById('msg');
return {
  start: +s.dataset.start, body: +s.dataset.body, consumedEnd: +s.dataset.consumedEnd,
  size: +s.dataset.size,
  cells: Array.from(document.querySelectorAll('#rows .b[data-o]')).map(c => [+c.dataset.o,
      c.dataset.f === undefined ? -1 : +c.dataset.f, c.className]),
  fields: tavMap.fields(),
  ends: document.querySelectorAll('#rows .end').length,
};
"""


def sections(driver):
    """Each message of the page as drawn when it is shown (a small one is drawn whole)."""
    return [driver.execute_script(SECTION, i)
            for i in range(driver.execute_script("return tavMap.count()"))]


def check_tiling(section):
    """Every byte of the message up to the end of the body's reading lies in exactly one
    field, and the grid says so too."""
    owners = {}
    for f, (offset, length, path) in enumerate(section["fields"]):
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
        "return Array.from(document.querySelectorAll('#rows .b.sel')).map(c => +c.dataset.o)")
    rows = driver.execute_script(
        "return Array.from(document.querySelectorAll('#tree .fld.sel')).map(r => +r.dataset.f)")
    return sorted(cells), rows


def load(driver, path):
    driver.get(path.as_uri())
    assert driver.execute_script("return document.body.dataset.ready") == "1"
    assert driver.get_log("browser") == [] if hasattr(driver, "get_log") else True


def test_byte_map_of_a_stream(browser, tmp_path):
    data = b"".join(sample("gamestate", v) for v in ("8.4", "7.6", "8.0"))
    path, result = page(tmp_path, "stream", data)
    assert result.returncode == 0
    html = result.stdout.decode()
    # Self-contained: nothing to fetch.
    assert not re.search(r"<(script|link|img|iframe)[^>]*\s(src|href)=", html)
    assert "http://" not in html and "https://" not in html

    load(browser, path)
    shown = sections(browser)
    assert [s["start"] for s in shown] == [0, 91, 174]
    # The page's fields (offset, size, path) are those annotate prints.
    annotated = [[int(m[1]), int(m[2]), m[3]] for m in re.finditer(
        r"^ +(\d+) +(\d+) +[0-9a-f ]+(?:\.\.\.)? +(\S+) = ", run(
            "tav-dump", "-f", "annotate", "-", data=data).stdout.decode(), re.M)]
    assert [f for s in shown for f in s["fields"]] == annotated
    for section in shown:
        check_tiling(section)
        assert section["consumedEnd"] == section["start"] + section["size"]
        assert section["ends"] == 0

    # Selecting each field of the first message highlights exactly its bytes and its row.
    browser.execute_script("tavMap.show(0)")
    fields = browser.execute_script("return tavMap.fields()")
    for f, (offset, length, name) in enumerate(fields):
        browser.execute_script("tavMap.select(arguments[0])", f)
        assert selected(browser) == (list(range(offset, offset + length)), [f]), name
    # A click on a tree row selects it, a second click clears the selection.
    browser.execute_script("tavMap.select(0); tavMap.select(0)")
    row = browser.find_element(By.CSS_SELECTOR, '#tree .fld[data-path="round"]')
    row.click()
    assert selected(browser) == ([17], [int(row.get_attribute("data-f"))])
    row.click()
    assert selected(browser) == ([], [])

    # Clicking a byte selects its field (its record opens in the tree); hovering marks its row.
    cell = browser.find_element(By.CSS_SELECTOR, '#rows .b[data-o="75"]')  # the player's name
    cell.click()
    cells, chosen = selected(browser)
    assert cells == [74, 75, 76, 77] and len(chosen) == 1
    name_row = browser.find_element(By.CSS_SELECTOR, f'#tree .fld[data-f="{chosen[0]}"]')
    assert name_row.get_attribute("data-path") == "actors[1].player.name"
    # The arrow keys move to the next field and back; the copy buttons copy.
    body = browser.find_element(By.TAG_NAME, "body")
    body.send_keys(Keys.ARROW_RIGHT)
    assert browser.execute_script("return tavMap.selected()") == chosen[0] + 1
    body.send_keys(Keys.ARROW_LEFT)
    assert browser.execute_script("return tavMap.selected()") == chosen[0]
    browser.find_element(By.XPATH, "//div[@id='info']/button[text()='copy bytes']").click()
    assert browser.execute_script("return window.tavCopied") == "68 65 72 ef"
    ActionChains(browser).move_to_element(
        browser.find_element(By.CSS_SELECTOR, '#rows .b[data-o="17"]')).perform()
    hovered = browser.execute_script(
        "return Array.from(document.querySelectorAll('#tree .fld.hover')).map(r => r.dataset.path)")
    assert hovered == ["round"]
    # Search by path or value lists the fields; a result selects its field.
    search = browser.find_element(By.ID, "search")
    search.send_keys("hp_max")
    results = browser.find_elements(By.CSS_SELECTOR, "#results li[data-f]")
    assert results and all("hp_max" in r.text for r in results)
    results[0].click()
    assert "hp_max" in browser.find_element(By.ID, "info").text
    # Offsets in hex.
    browser.find_element(By.ID, "hexoff").click()
    assert browser.find_element(By.CSS_SELECTOR, "#rows .addr").text == "0x0"

    os.makedirs(OUT, exist_ok=True)
    assert browser.save_screenshot(os.path.join(OUT, "byte-map-stream.png"))


def test_where_the_data_ran_out_and_left_over_bytes(browser, tmp_path):
    cut = sample("gamestate", "8.4")[:80]
    path, result = page(tmp_path, "cut", cut)
    assert result.returncode == 1
    load(browser, path)
    (section,) = sections(browser)
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
    load(browser, path)
    (section,) = sections(browser)
    check_tiling(section)
    left = [o for o, f, cls in section["cells"] if "left" in cls]
    assert left == [66, 67, 68] and section["consumedEnd"] == 66
    assert "3 bytes left over at offset 66" in browser.find_element(By.CSS_SELECTOR,
                                                                     "p.status").text
    assert browser.save_screenshot(os.path.join(OUT, "byte-map-left-over.png"))


def big_message(actors):
    """One 8.4 message of the given number of actors (the sample's two, repeated)."""
    document = json.loads(run("tav-dump", "-f", "json", "-", data=sample("gamestate", "8.4")).stdout)
    state = document["state"]
    state["actors"] = (state["actors"] * actors)[:actors]
    return run("tav-encode", data=json.dumps({"state": state}).encode()).stdout


@pytest.mark.parametrize("kind", ["actors", "stream"])
def test_large_pages_load_and_select_exactly(browser, tmp_path, kind):
    if kind == "actors":
        data = big_message(10000)
    else:  # a stream of 1,000 messages with bytes that frame no message inside
        data = b"".join(sample("gamestate", ("7.6", "8.0", "8.4")[k % 3]) for k in range(500))
        data += b"\x80\x01junk" + data
    path, result = page(tmp_path, kind, data)
    assert result.returncode == (0 if kind == "actors" else 1)
    assert len(result.stdout) <= 20 * len(data) + 100000, (len(result.stdout), len(data))
    load(browser, path)
    count = browser.execute_script("return tavMap.count()")
    assert count == (1 if kind == "actors" else 1001)
    index = 0 if kind == "actors" else 700
    browser.execute_script("tavMap.show(arguments[0])", index)
    fields = browser.execute_script("return tavMap.fields()")
    owners = browser.execute_script("return tavMap.owners()")
    start = browser.execute_script("return +document.getElementById('msg').dataset.start")
    # A field deep in the message: selecting it draws its rows and marks exactly its bytes.
    for f in [len(fields) // 2, len(fields) - 3]:
        offset, length, name = fields[f]
        browser.execute_script("tavMap.select(arguments[0])", f)
        assert selected(browser) == (list(range(offset, offset + length)), [f]), name
        assert [owners[o - start] for o in range(offset, offset + length)] == [f] * length
        # Clicking its first byte selects it again (after clearing).
        browser.execute_script("tavMap.clear()")
        browser.find_element(By.CSS_SELECTOR, f'#rows .b[data-o="{offset}"]').click()
        assert browser.execute_script("return tavMap.selected()") == f
    if kind == "stream":
        # The message list draws only the entries in view; a click on one shows its message.
        assert browser.execute_script("return document.querySelectorAll('#list li').length") < 200
        browser.find_element(By.CSS_SELECTOR, '#list li[data-m="702"]').click()
        assert browser.execute_script("return tavMap.current()") == 702
        # The bytes that frame no message are a message of their own, hatched.
        browser.execute_script("tavMap.show(500)")
        cells = browser.execute_script(
            "return Array.from(document.querySelectorAll('#rows .b')).map(c => c.className)")
        assert len(cells) == 6 and all("left" in c for c in cells)
        assert "frame" in browser.find_element(By.ID, "title").text
    assert browser.save_screenshot(os.path.join(OUT, f"byte-map-{kind}.png"))
