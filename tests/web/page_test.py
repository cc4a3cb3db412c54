#!/usr/bin/env python3
"""The browser page in headless Chromium: opened from disk, it offers the formats of koordin's
table, lists the bundled example, writes the same bytes as the koordin program for the same
choices, reads and writes GPX as it does, and answers bad files with one message and no download.

Usage: page_test.py PAGE KOORDIN (the built index.html and the native koordin program)."""

import json
import pathlib
import subprocess
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

PAGE, KOORDIN = pathlib.Path(sys.argv[1]).resolve(), pathlib.Path(sys.argv[2]).resolve()
ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLE = ROOT / "examples" / "gliding-sites.cup"
SCREENSHOT = PAGE.parent.parent / "web-screenshot.png"  # beside the page, not in it
TIMEOUT = 60  # seconds for any one step; no step needs to be fast, only to end

# GPX files that the page hands to koordin, which must read and write them as the native koordin
# does: named by the file name each gets.
GPX_FILES = {
    # Two waypoints and a route whose third point is no waypoint.
    "round.gpx": """<?xml version="1.0" encoding="UTF-8"?>
<gpx version="1.1" creator="test" xmlns="http://www.topografix.com/GPX/1/1">
  <wpt lat="48.630556" lon="9.430278"><ele>353</ele><name>Hahnweide</name></wpt>
  <wpt lat="48.588611" lon="9.470833"><name>Burg Teck</name></wpt>
  <rte><name>Teckrunde</name>
    <rtept lat="48.630556" lon="9.430278"><name>Hahnweide</name></rtept>
    <rtept lat="48.588611" lon="9.470833"><name>Burg Teck</name></rtept>
    <rtept lat="48.5625" lon="9.5625"><name>Neidlingen</name></rtept>
  </rte>
</gpx>
""".encode(),
    # koordin's own extensions: style, code, country, frequency, runway, the marker; a takeoff and
    # a landing, a CUP option line, and a route point that is no waypoint.
    "marked.gpx": """<?xml version="1.0" encoding="UTF-8"?>
<gpx xmlns="http://www.topografix.com/GPX/1/1" xmlns:koordin="urn:koordin:gpx-waypoint:1" version="1.1" creator="koordin">
  <wpt lat="48.630556" lon="9.430278">
    <ele>353</ele>
    <name>Hahnweide</name>
    <desc>Segelfluggelände &amp; Flugplatz</desc>
    <sym>Airport</sym>
    <extensions>
      <koordin:code>EDST</koordin:code>
      <koordin:country>DE</koordin:country>
      <koordin:runwayDirection>130</koordin:runwayDirection>
      <koordin:runwayLength>820m</koordin:runwayLength>
      <koordin:frequency>123.500</koordin:frequency>
      <koordin:style>4</koordin:style>
      <koordin:marked>true</koordin:marked>
    </extensions>
  </wpt>
  <wpt lat="48.588611" lon="9.470833"><ele>775</ele><name>Burg Teck</name><sym>Summit</sym></wpt>
  <wpt lat="48.5625" lon="9.5625"><name>Neidlingen</name>
    <extensions><koordin:style>3</koordin:style><koordin:frequency>122.475</koordin:frequency></extensions></wpt>
  <rte><name>Teckrunde</name>
    <extensions><koordin:cupOption>Options,NoStart=12:00:00,TaskTime=02:00:00</koordin:cupOption></extensions>
    <rtept lat="48.630556" lon="9.430278"><name>Hahnweide</name>
      <extensions><koordin:taskPoint>takeoff</koordin:taskPoint></extensions></rtept>
    <rtept lat="48.588611" lon="9.470833"><name>Burg Teck</name></rtept>
    <rtept lat="48.6525" lon="9.4875"><name>Kirchheim Bahnhof</name></rtept>
    <rtept lat="48.5625" lon="9.5625"><name>Neidlingen</name></rtept>
    <rtept lat="48.630556" lon="9.430278"><name>Hahnweide</name>
      <extensions><koordin:taskPoint>landing</koordin:taskPoint></extensions></rtept>
  </rte>
</gpx>
""".encode(),
    # Another program's GPX in Windows-1252: a route before the waypoints it names, a route point
    # without a name, symbols for styles, comments, elements and a track that are not read.
    "alb.gpx": """<?xml version="1.0" encoding="windows-1252"?>
<gpx version="1.1" creator="another program" xmlns="http://www.topografix.com/GPX/1/1">
  <metadata><name>Alb</name></metadata>
  <rte><name>Südrunde</name>
    <rtept lat="48.41" lon="9.52"><name>Römerstein</name></rtept>
    <rtept lat="48.45" lon="9.3"></rtept>
    <rtept lat="48.5" lon="9.4"><name>Grabenstetten</name></rtept>
  </rte>
  <wpt lat="48.41" lon="9.52"><time>2024-05-01T10:00:00Z</time><name>Römerstein</name>
    <cmt>Aussichtsturm</cmt><sym>Tall Tower</sym></wpt>
  <wpt lat="48.5" lon="9.4"><name>Grabenstetten</name><cmt>Landewiese</cmt><desc>Außenlandung</desc>
    <sym>Glider Area</sym><link href="x"/></wpt>
  <trk><name>Flug</name></trk>
</gpx>
""".encode("cp1252"),
}

# The page's choices and the options of koordin convert that make the same choice; the radius last,
# so that it stays applied for the plan's checks and the screenshot.
CHOICES = [
    ("names", {"only": "H*, K*", "exclude": "*berg"}, ["--only", "H*", "--only", "K*", "--exclude", "*berg"]),
    ("styles", {"style": "airfield, outlanding"}, ["--style", "airfield", "--style", "outlanding"]),
    ("tasks", {"tasks": "Voralpen"}, ["--tasks", "Voralpen"]),
    ("near and radius", {"near": "Hahnweide", "radius": "150"}, ["--near", "Hahnweide", "--radius", "150"]),
]
CHOICE_FIELDS = ("near", "radius", "only", "exclude", "style", "tasks")

# A CUP file in Central European Windows characters, which only --input-encoding reads right.
CP1250_CUP = 'name,code,country,lat,lon,elev,style\n"Żar","EPZR",PL,4946.267N,01911.817E,890.0m,4\n'

failures = []


def check(fact, ok, detail=""):
    print(("ok: " if ok else "FAILED: ") + fact + ("" if ok else f" ({detail})"))
    if not ok:
        failures.append(fact)


def koordin(*args, cwd):
    return subprocess.run([str(KOORDIN), *args], cwd=cwd, capture_output=True, check=True)


def start_browser(downloads):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1200,900",
                     "--allow-file-access-from-files"):
        options.add_argument(argument)
    options.add_experimental_option("prefs", {
        "download.default_directory": str(downloads), "download.prompt_for_download": False})
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    browser.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": str(downloads)})
    return browser


def wait_for(browser, condition, what):
    try:
        return WebDriverWait(browser, TIMEOUT, poll_frequency=0.1).until(lambda _: condition())
    except Exception:
        raise AssertionError(f"timed out waiting for {what}")


def open_file(browser, path):
    """Chooses a file in the page's file input and waits until the page has answered."""
    browser.execute_script("document.getElementById('message').textContent = '';"
                           "delete document.body.dataset.planned;")
    field = browser.find_element(By.ID, "file")
    browser.execute_script("arguments[0].value = '';", field)
    field.send_keys(str(path))
    wait_for(browser, lambda: browser.execute_script(
        "return document.getElementById('message').textContent !== '' || 'planned' in document.body.dataset;"),
        f"the page to answer {path.name}")


def download(browser, downloads, name, extension="lst"):
    """Saves the page's file in the format of `extension` and returns its bytes."""
    target = downloads / name
    target.unlink(missing_ok=True)
    browser.execute_script("document.getElementById('target').value = arguments[0];", extension)
    browser.find_element(By.ID, "download").click()
    wait_for(browser, lambda: target.exists() and not list(downloads.glob("*.crdownload")), f"{name} to be saved")
    return target.read_bytes()


def choose(browser, fields):
    """Fills the page's choice fields (the others emptied) and waits for the new plan."""
    browser.execute_script("""
        delete document.body.dataset.planned;
        for (const id of arguments[1]) document.getElementById(id).value = arguments[0][id] ?? '';
        document.getElementById('near').dispatchEvent(new Event('input'));""", fields, CHOICE_FIELDS)
    wait_for(browser, lambda: browser.execute_script("return 'planned' in document.body.dataset"), f"the plan for {fields}")


def column(browser, table, index):
    return [row.find_elements(By.TAG_NAME, "td")[index].text
            for row in browser.find_elements(By.CSS_SELECTOR, f"#{table} tbody tr")]


def row_names(browser, table):
    return [cells[1].text for cells in (row.find_elements(By.TAG_NAME, "td")
            for row in browser.find_elements(By.CSS_SELECTOR, f"#{table} tbody tr"))]


def main():
    work = pathlib.Path(tempfile.mkdtemp(prefix="koordin-page-"))
    downloads = work / "downloads"
    downloads.mkdir()
    browser = start_browser(downloads)
    try:
        browser.get(PAGE.as_uri())
        wait_for(browser, lambda: browser.execute_script("return document.body.dataset.ready"), "koordin to start")

        # The formats of koordin's table: the files the page opens and the formats it saves.
        formats = json.loads(koordin("formats", "--format", "json", cwd=work).stdout)["formats"]
        menu = browser.execute_script(
            "return [...document.getElementById('target').options].map(o => o.value)")
        check("the save menu offers every format of koordin's table",
              menu == [f["extensions"][0] for f in formats], menu)
        accepted = browser.find_element(By.ID, "file").get_attribute("accept").split(",")
        check("the file chooser takes every extension of koordin's table",
              accepted == [f".{e}" for f in formats for e in f["extensions"]], accepted)

        # The bundled example, listed as koordin lists it.
        browser.find_element(By.ID, "example").click()
        wait_for(browser, lambda: browser.execute_script("return 'planned' in document.body.dataset"), "the example's plan")
        listed = json.loads(koordin("dump", "--format", "json", str(EXAMPLE), cwd=work).stdout)
        check("the table lists the example's turnpoints",
              row_names(browser, "turnpoints") == [t["name"] for t in listed["turnpoints"]],
              row_names(browser, "turnpoints")[:3])
        check("the routes table lists the example's tasks",
              row_names(browser, "routes") == [r["name"] for r in listed["routes"]], row_names(browser, "routes"))

        # The KOORDIN file, to the byte.
        koordin("convert", str(EXAMPLE), "all.lst", cwd=work)
        check("the downloaded KOORDIN file equals koordin convert's",
              download(browser, downloads, "gliding-sites.lst") == (work / "all.lst").read_bytes())
        for extension in ("cup", "csv", "json"):
            koordin("convert", str(EXAMPLE), f"all.{extension}", cwd=work)
            check(f"the downloaded {extension} file equals koordin convert's",
                  download(browser, downloads, f"gliding-sites.{extension}", extension) ==
                  (work / f"all.{extension}").read_bytes())
        koordin("convert", str(EXAMPLE), "all.gpx", cwd=work)
        check("the downloaded GPX file equals koordin convert's",
              download(browser, downloads, "gliding-sites.gpx", "gpx") == (work / "all.gpx").read_bytes())

        # A KOORDIN file in another character set, read and written in it.
        koordin("--encoding", "CP850", "convert", str(EXAMPLE), "cp850.lst", cwd=work)
        open_file(browser, work / "cp850.lst")
        browser.execute_script("delete document.body.dataset.planned;")
        Select(browser.find_element(By.ID, "encoding")).select_by_value("CP850")
        wait_for(browser, lambda: browser.execute_script("return 'planned' in document.body.dataset"), "the CP850 plan")
        in_cp850 = json.loads(koordin("--encoding", "CP850", "dump", "--format", "json", "cp850.lst", cwd=work).stdout)
        check("a CP850 KOORDIN file's names read in CP850",
              row_names(browser, "turnpoints") == [t["name"] for t in in_cp850["turnpoints"]], row_names(browser, "turnpoints")[7:9])
        check("the KOORDIN file written in CP850 equals koordin's",
              download(browser, downloads, "cp850.lst") == (work / "cp850.lst").read_bytes())
        Select(browser.find_element(By.ID, "encoding")).select_by_value("CP1252")

        # Every choice reaches koordin: the same bytes as koordin convert's with the same options.
        browser.find_element(By.ID, "example").click()
        wait_for(browser, lambda: browser.execute_script("return 'planned' in document.body.dataset"), "the example")
        for label, fields, options in CHOICES:
            choose(browser, fields)
            koordin("convert", str(EXAMPLE), "chosen.lst", *options, cwd=work)
            check(f"{label}: the downloaded KOORDIN file equals koordin convert's",
                  download(browser, downloads, "gliding-sites.lst") == (work / "chosen.lst").read_bytes())

        # The radius's plan, live: each row as koordin plans it, dropped points apart on the map.
        plan = json.loads(koordin("convert", str(EXAMPLE), "near.lst", *CHOICES[-1][2], "--dry-run",
                                  "--plan-format", "json", cwd=work).stdout)
        statuses = ["kept" if t["kept"] else f"dropped: {t['reason']}" for t in plan["turnpoints"]]
        check("each row's status is the plan's, with the reason for a drop",
              column(browser, "turnpoints", 8) == statuses, column(browser, "turnpoints", 8)[:3])
        check("each row shows its distance from the place",
              column(browser, "turnpoints", 7) == [f"{t['distanceKm']:.1f}" for t in plan["turnpoints"]],
              column(browser, "turnpoints", 7)[:3])
        dropped = sum(not t["kept"] for t in plan["turnpoints"])
        check("every dropped point is a hollow point on the map",
              len(browser.find_elements(By.CSS_SELECTOR, "#plot circle.dropped")) == dropped, dropped)
        check("the plan's warnings are listed in words",
              browser.find_element(By.ID, "warnings").text.split("\n") ==
              [w.removeprefix("near.lst: warning: ") for w in plan["warnings"]],
              browser.find_element(By.ID, "warnings").text)
        check("no note says that koordin cannot choose",
              "cannot choose" not in browser.find_element(By.TAG_NAME, "body").text)
        browser.save_screenshot(str(SCREENSHOT))  # for the README
        choose(browser, {})

        # A CUP file's character set, named by the pilot.
        cp1250 = work / "zar.cup"
        cp1250.write_bytes(CP1250_CUP.encode("cp1250"))
        koordin("--encoding", "CP1250", "convert", str(cp1250), "zar.lst", "--input-encoding", "CP1250", cwd=work)
        open_file(browser, cp1250)
        for select, value in (("encoding", "CP1250"), ("input-encoding", "CP1250")):
            browser.execute_script("delete document.body.dataset.planned;")
            Select(browser.find_element(By.ID, select)).select_by_value(value)
            wait_for(browser, lambda: browser.execute_script("return 'planned' in document.body.dataset"),
                     f"the plan in {select} {value}")
        check("a CP1250 CUP file's names read in CP1250", row_names(browser, "turnpoints") == ["Żar"],
              row_names(browser, "turnpoints"))
        check("the KOORDIN file from a CP1250 CUP file equals koordin's",
              download(browser, downloads, "zar.lst") == (work / "zar.lst").read_bytes())
        Select(browser.find_element(By.ID, "input-encoding")).select_by_value("")
        Select(browser.find_element(By.ID, "encoding")).select_by_value("CP1252")

        # Bad files: one message each, naming the line where there is one, and nothing to download.
        good = (work / "all.lst").read_text(encoding="cp1252").split("\n")
        bad_line = good[:3] + ["5x:49:23"] + good[4:]
        cases = [
            ("sites.txt", b"name,code\n", "not a file koordin reads"),
            ("empty.cup", b"", "empty"),
            ("empty.lst", b"", "empty"),
            ("bad.lst", "\n".join(bad_line).encode("cp1252"), "bad.lst:4: bad latitude"),
            ("huge.cup", None, "too large"),
        ]
        for name, content, expected in cases:
            path = work / name
            if content is None:
                with open(path, "wb") as huge:  # 100 MB of one endless line
                    huge.truncate(100 * 1024 * 1024)
            else:
                path.write_bytes(content)
            open_file(browser, path)
            message = browser.find_element(By.ID, "message").text
            check(f"{name}: the page says what is wrong", expected in message, message)
            check(f"{name}: there is nothing to download",
                  not browser.find_element(By.ID, "result").is_displayed())
        # Many more turnpoints than slots: all counted, a thousand listed.
        many = work / "many.cup"
        many.write_text(EXAMPLE.read_text(encoding="utf-8").split("\n")[0] + "\n" + "".join(
            f'"P{i:04d}",,DE,{4700 + i // 60:04d}.{i % 60:03d}N,00900.000E,500.0m,1,,,,,"",,\n' for i in range(1500)),
            encoding="utf-8")
        open_file(browser, many)
        rows = browser.find_elements(By.CSS_SELECTOR, "#turnpoints tbody tr")
        check("a large file's summary counts every turnpoint",
              browser.find_element(By.ID, "summary").text.startswith("255 of 1500 turnpoints"),
              browser.find_element(By.ID, "summary").text)
        check("a large file lists a thousand rows and says how many more there are",
              len(rows) == 1001 and rows[-1].text == "… and 500 more", (len(rows), rows[-1].text))

        # GPX, read and written by koordin in the page as natively, to the byte.
        for name, content in GPX_FILES.items():
            gpx = work / name
            gpx.write_bytes(content)
            open_file(browser, gpx)
            native = json.loads(koordin("dump", "--format", "json", name, cwd=work).stdout)
            check(f"{name}: the page lists koordin's turnpoints",
                  row_names(browser, "turnpoints") == [t["name"] for t in native["turnpoints"]],
                  row_names(browser, "turnpoints"))
            check(f"{name}: the page lists koordin's routes",
                  row_names(browser, "routes") == [r["name"] for r in native["routes"]], row_names(browser, "routes"))
            stem = name.removesuffix(".gpx")
            for extension in ("lst", "gpx"):
                koordin("convert", name, f"native-{stem}.{extension}", cwd=work)
                check(f"{name}: the downloaded {extension} file equals koordin convert's",
                      download(browser, downloads, f"{stem}.{extension}", extension) ==
                      (work / f"native-{stem}.{extension}").read_bytes())
        gpx = work / "broken.gpx"
        gpx.write_text("<gpx><wpt lat='48.6'", encoding="utf-8")
        open_file(browser, gpx)
        refusal = subprocess.run([str(KOORDIN), "dump", "--format", "json", gpx.name], cwd=work,
                                 capture_output=True, text=True)
        check("a GPX file that is no XML: the page says what koordin says",
              browser.find_element(By.ID, "message").text == refusal.stderr.strip() != "",
              (browser.find_element(By.ID, "message").text, refusal.stderr))

        browser.find_element(By.ID, "example").click()
        wait_for(browser, lambda: browser.execute_script("return 'planned' in document.body.dataset"),
                 "the page to open the example after bad files")
        Select(browser.find_element(By.ID, "language")).select_by_value("de")
        check("German labels", browser.find_element(By.CSS_SELECTOR, "#tables h2").text == "Wendepunkte",
              browser.find_element(By.CSS_SELECTOR, "#tables h2").text)
        check("after bad files the page still works", len(row_names(browser, "turnpoints")) == len(listed["turnpoints"]))
        fetched = browser.execute_script(
            "return performance.getEntriesByType('resource').map(e => e.name).concat(location.href);")
        remote = [url for url in fetched if not url.startswith(("file:", "blob:", "data:"))]
        check("the page fetched nothing but local files", fetched and not remote, remote[:3])
        errors = [e for e in browser.get_log("browser") if e["level"] == "SEVERE"]
        check("the browser logged no errors", not errors, errors[:2])
    finally:
        browser.quit()
    if failures:
        print(f"{len(failures)} failed")
        sys.exit(1)
    print("page test: all passed")


main()
