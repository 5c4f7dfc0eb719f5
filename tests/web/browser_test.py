#!/usr/bin/python3
"""The web page in a real browser: Debian's headless Chromium with software
WebGL (SwiftShader), driven through chromedriver, loading the page from a
server on 127.0.0.1 that this test starts and stops.

    browser_test.py REPO HALVORN SITE
    browser_test.py --bench SITE [BATTLE_BENCH]

builds the page into SITE with REPO/scripts/web.sh and checks: the picture is
not black and changes; the address's settings take effect; bad values give one
visible line and a running battle; a lost WebGL context (WEBGL_lose_context)
holds the battle with one line and, given back, the same battle is drawn again;
a hidden page runs no frames and, shown again, goes on without a jump; the
page's traces equal HALVORN's (--headless --trace) byte for byte, one of them
across a lost context; no error reaches the console; without WebGL the page
says so. Exits 77 (skipped) when emscripten, Chromium,
chromedriver or Selenium is missing.

With --bench it checks nothing: it prints the figures of the page built in
SITE (?bench=1 at 1280x720 with 13 ships) and, when given, those of the native
bench/battle_bench at 313 ships, side by side.
"""
import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
# Seeds, additional ships and frames of the trace comparison (random start view).
TRACE_RUNS = [(1, 0), (1, 40), (7, 0), (7, 40), (118, 0), (118, 40)]
TRACE_FRAMES = 2000

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
except ImportError:
    print("browser_test: python3-selenium is missing (scripts/install-deps.sh all)")
    sys.exit(SKIP)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm"}

    def log_message(self, *args):
        pass


def start_server(site):
    """Serves site on a free port of 127.0.0.1; returns the server and its base address."""
    handler = functools.partial(QuietHandler, directory=site)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d/" % server.server_address[1]


def start_browser(*extra):
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for arg in ("--headless", "--no-sandbox", "--enable-unsafe-swiftshader", "--use-angle=swiftshader",
                "--window-size=1280,720", "--disable-gpu-sandbox", *extra):
        options.add_argument(arg)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


def wait_for(driver, script, what, timeout=60.0):
    """Polls script (a JavaScript expression) until it is truthy; returns its value."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = driver.execute_script("return " + script)
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for %s (%s)" % (what, script))


def picture(driver):
    """The summary of the next frame's picture (see pictureSummary in page.js)."""
    driver.execute_script("halvorn.picture = null; halvorn.wantPicture = true;")
    return wait_for(driver, "window.halvorn.picture", "a picture")


class Checks:
    def __init__(self):
        self.failures = []

    def expect(self, ok, what):
        print(("ok   " if ok else "FAIL ") + what)
        if not ok:
            self.failures.append(what)


def console_errors(driver):
    return [e["message"] for e in driver.get_log("browser") if e["level"] == "SEVERE"]


def check_page(driver, base, c):
    # The picture is not black and changes; the frame-rate line runs.
    driver.get(base + "?seed=3&fps=1")
    wait_for(driver, "window.halvorn && halvorn.frames > 5", "frames")
    first = picture(driver)
    time.sleep(0.5)
    second = picture(driver)
    c.expect(first["lit"] > 0 and first["edgeLit"] > 0, "the picture is not black, up to its edges: %s" % first)
    c.expect(first["sum"] != second["sum"], "the picture changes")
    c.expect(driver.execute_script("return document.getElementById('message').hidden"), "no message line")
    c.expect("Frames Per Second" in driver.execute_script("return halvorn.fpsText"), "the frame-rate line")
    c.expect(driver.execute_script("return halvorn.ships") == 13, "13 ships without the setting")
    # The drawing buffer follows the window.
    width = driver.execute_script("return canvas.width")
    driver.set_window_size(900, 700)
    wait_for(driver, "canvas.width != %d" % width, "the canvas to follow the window")
    resized = picture(driver)
    c.expect(resized["lit"] > 0 and [resized["width"], resized["height"]] == driver.execute_script(
        "const r = devicePixelRatio; return [Math.round(canvas.clientWidth * r), Math.round(canvas.clientHeight * r)]"),
        "the picture follows the window's size: %s" % resized)

    # The address's settings take effect: the letterbox bands are black, 53 ships.
    driver.get(base + "?ships=40&letterbox=1&seed=5&size=640x360")
    wait_for(driver, "window.halvorn && halvorn.frames > 5", "frames")
    boxed = picture(driver)
    c.expect(boxed["width"] == 640 and boxed["height"] == 360, "size=640x360 fixes the drawing size")
    c.expect(boxed["lit"] > 0 and boxed["edgeLit"] == 0, "letterbox bands are black: %s" % boxed)
    c.expect(driver.execute_script("return halvorn.ships") == 53, "ships=40 gives 53 ships")
    c.expect(driver.execute_script("return document.getElementById('settings-form').elements['ships'].value")
             == "40", "the settings panel shows the address's settings")

    # Bad values: one visible line naming them, and a running battle.
    driver.get(base + "?ships=lots&letterbox=7&size=5x5&frame-ms=31&colour=red")
    frames = wait_for(driver, "window.halvorn && halvorn.frames > 5 && halvorn.frames", "frames")
    line = driver.execute_script("return document.getElementById('message').textContent")
    shown = not driver.execute_script("return document.getElementById('message').hidden")
    c.expect(shown and all(w in line for w in ("ships", "letterbox", "size", "colour")),
             "bad values are named on one visible line: %r" % line)
    wait_for(driver, "halvorn.frames > %d" % (frames + 5), "more frames")
    c.expect(picture(driver)["lit"] > 0, "the battle runs after bad values")
    errors = console_errors(driver)
    c.expect(not errors, "no error in the console: %s" % errors)


def message_line(driver):
    """The message line's text, or None while it is hidden."""
    return driver.execute_script("const m = document.getElementById('message'); return m.hidden ? null : m.textContent")


def lose_context(driver):
    """Loses the page's WebGL context (WEBGL_lose_context); returns the frames run by then."""
    driver.execute_script("window.loser = Module.ctx.getExtension('WEBGL_lose_context'); loser.loseContext();")
    wait_for(driver, "document.getElementById('message').hidden == false", "the line about the lost context")
    return driver.execute_script("return halvorn.frames")


def held(driver, frames, seconds=1.0):
    """True when no frame ran for `seconds` after `frames`."""
    time.sleep(seconds)
    return driver.execute_script("return halvorn.frames") == frames


def drawn_again(driver, frames):
    """After the context is given back: frames run again and the picture is not black and changes."""
    driver.execute_script("loser.restoreContext()")
    wait_for(driver, "halvorn.frames > %d" % (frames + 2), "frames after the restore")
    first = picture(driver)
    wait_for(driver, "halvorn.frames > %d" % (driver.execute_script("return halvorn.frames") + 2), "more frames")
    second = picture(driver)
    return first["lit"] > 0 and first["sum"] != second["sum"], (first, second)


def check_context_loss(driver, base, c):
    driver.get(base + "?seed=3&size=320x180")
    wait_for(driver, "window.halvorn && halvorn.frames > 5", "frames")
    frames = lose_context(driver)
    line = message_line(driver)
    c.expect(held(driver, frames) and "WebGL" in line, "a lost context holds the battle, with one line: %r" % line)
    again, pictures = drawn_again(driver, frames)
    c.expect(again and message_line(driver) is None, "given back, the battle is drawn again: %s" % (pictures,))
    # Never given back: the line stays and nothing fails.
    frames = lose_context(driver)
    c.expect(held(driver, frames, 2.0) and message_line(driver) == line, "a context never given back leaves the line")
    errors = console_errors(driver)
    c.expect(not errors, "no error in the console around lost contexts: %s" % errors)


def check_hidden(driver, base, c):
    # Headless Chromium hides a minimized window's page (visibilitychange)
    # as a browser hides a background tab.
    driver.get(base + "?seed=3&fps=1&size=320x180")
    wait_for(driver, "window.halvorn && halvorn.frames > 5", "frames")
    driver.minimize_window()
    wait_for(driver, "document.hidden", "the page to be hidden")
    frames = driver.execute_script("return halvorn.frames")
    c.expect(held(driver, frames, 4.0), "a hidden page runs no frames")
    driver.execute_script("halvorn.frameLog = []")
    driver.maximize_window()
    log = wait_for(driver, "halvorn.frameLog.length >= 8 && halvorn.frameLog", "frames after showing the page")
    driver.set_window_size(1280, 720)
    # Each line starts with the frame's time in ms; frames start a period apart at least.
    times = [int(line.split()[0]) for _, line in log]
    gaps = [round(b[0] - a[0]) for a, b in zip(log, log[1:])]
    c.expect(max(times) < 1500 and min(gaps) >= 25,
             "shown again, the page goes on with ordinary frames, no jump or burst: times %s, gaps %s" % (times, gaps))


def compare_trace(driver, base, halvorn, work, seed, ships, c, during=None):
    """The page's trace against HALVORN's; `during(driver)` runs while the page traces."""
    expected_path = os.path.join(work, "trace-%d-%d.jsonl" % (seed, ships))
    subprocess.run([halvorn, "--headless", "--seed", str(seed), "--ships", str(ships), "--random-start-view",
                    "--frames", str(TRACE_FRAMES), "--frame-ms", "31", "--size", "160x90",
                    "--trace", expected_path], check=True, stderr=subprocess.DEVNULL)
    with open(expected_path, encoding="ascii") as f:
        expected = f.read()
    driver.get(base + "?trace=1&frames=%d&seed=%d&ships=%d&random-start-view=1&frame-ms=31&size=160x90"
               % (TRACE_FRAMES, seed, ships))
    if during is not None:
        during(driver)
    wait_for(driver, "window.halvorn && halvorn.traceDone", "the trace", timeout=300)
    got = driver.execute_script("return document.getElementById('trace').textContent")
    same = got == expected
    detail = ""
    if not same:
        a, b = got.splitlines(), expected.splitlines()
        k = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
        detail = ": first difference at frame %d of %d/%d lines" % (k, len(a), len(b))
    c.expect(same, "trace of seed %d with %d ships%s equals the Linux program's (%d bytes)%s"
             % (seed, ships, "" if during is None else " across a lost context", len(expected), detail))


def check_traces(driver, base, halvorn, work, c):
    def lose_mid_trace(driver):
        wait_for(driver, "window.halvorn && halvorn.frames > %d" % (TRACE_FRAMES // 5), "the trace under way")
        frames = lose_context(driver)
        c.expect(held(driver, frames, 0.5), "a lost context holds the trace")
        # The trace runs as fast as it can and may end before a picture is
        # asked for; the paced page's pictures after a restore are checked above.
        driver.execute_script("loser.restoreContext()")
        wait_for(driver, "halvorn.traceDone || halvorn.frames > %d" % (frames + 2), "frames after the restore")

    for seed, ships in TRACE_RUNS:
        compare_trace(driver, base, halvorn, work, seed, ships, c)
    compare_trace(driver, base, halvorn, work, 7, 40, c, lose_mid_trace)
    errors = console_errors(driver)
    c.expect(not errors, "no error in the console during the traces: %s" % errors)


def bench(site, battle_bench):
    server, base = start_server(site)
    try:
        driver = start_browser()
        try:
            driver.get(base + "?bench=1&size=1280x720&seed=7")
            wait_for(driver, "window.halvorn && halvorn.benchDone", "the bench", timeout=120)
            for line in driver.execute_script("return document.getElementById('bench').textContent").splitlines():
                print("page (headless Chromium, SwiftShader WebGL): " + line)
        finally:
            driver.quit()
    finally:
        server.shutdown()
    if battle_bench:
        out = subprocess.run([battle_bench, "--benchmark_filter=BM_BattleFrame/extra:300/grid:1/"],
                             check=True, capture_output=True, text=True).stdout
        for line in out.splitlines():
            if line.startswith("BM_BattleFrame"):
                print("native battle_bench: " + line)
    return 0


def main():
    if len(sys.argv) in (3, 4) and sys.argv[1] == "--bench":
        return bench(sys.argv[2], sys.argv[3] if len(sys.argv) == 4 else None)
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    repo, halvorn, site = sys.argv[1:]
    for tool in ("emcc", "chromium", "chromedriver"):
        if shutil.which(tool) is None:
            print("browser_test: %s is missing (scripts/install-deps.sh all)" % tool)
            return SKIP
    subprocess.run([os.path.join(repo, "scripts", "web.sh"), site], check=True,
                   env={**os.environ, "HALVORN_WEB_BUILD": os.path.join(os.path.dirname(site), "web-build")})
    server, base = start_server(site)
    c = Checks()
    work = tempfile.mkdtemp(prefix="halvorn-web.")
    try:
        driver = start_browser()
        try:
            check_page(driver, base, c)
            check_context_loss(driver, base, c)
            check_hidden(driver, base, c)
            check_traces(driver, base, halvorn, work, c)
        finally:
            driver.quit()
        # Without WebGL the page says so.
        driver = start_browser("--disable-3d-apis")
        try:
            driver.get(base)
            line = wait_for(driver, "document.getElementById('message').textContent", "the message line")
            c.expect("WebGL" in line, "without WebGL the page says so: %r" % line)
        finally:
            driver.quit()
    finally:
        server.shutdown()
        shutil.rmtree(work, ignore_errors=True)
    print("%d checks failed" % len(c.failures) if c.failures else "all checks passed")
    return 1 if c.failures else 0


if __name__ == "__main__":
    sys.exit(main())
