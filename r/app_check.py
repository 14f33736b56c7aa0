"""Drives the quillmere app in headless Chromium and checks it against the
programs: run by r/app-check.sh, which starts the app."""

import argparse
import csv
import hashlib
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

from selenium import webdriver
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

# A design small enough to simulate in seconds, with a calibration target.
SMALL_DESIGN = """# A small toxicity design for the app's browser test
TrialType = Toxicity
RateBound = 0.3
CutoffProbability = 0.9
MaxEvaluationWindow = 90
TimeUnit = days
MaxPatients = 12
AccrualRate = 0.25
FirstLook = 6
LookEvery = 3
MinCompleted = 2
TrueRates = 0.1, 0.3, 0.5
EventTimeShape = 1
Trials = 24
Seed = 20240611
CalibrationRate = 0.1
MaxErrorStop = 0.2
"""

# Every file the downloads tab offers, with the companion's command that
# writes it.
DOWNLOADS = {
    "download_boundaries": ("boundaries.csv", "boundaries"),
    "download_oc": ("operating_characteristics.csv", "simulate"),
    "download_by_look": ("stopping_by_look.csv", "simulate"),
    "download_replicates": ("replicates.csv", "simulate"),
    "download_calibration": ("calibration.csv", "calibrate"),
    "download_calibration_looks": ("calibration_looks.csv", "calibrate"),
}

failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    if not condition:
        failures.append(what)


class App:
    def __init__(self, args):
        self.args = args
        self.downloads = pathlib.Path(args.work) / "downloads"
        self.downloads.mkdir(parents=True, exist_ok=True)
        self.profile = tempfile.mkdtemp(dir=args.work)
        self.driver = self.start_browser()
        self.shot_number = 0

    def start_browser(self):
        options = webdriver.ChromeOptions()
        options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
        for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync",
                     "--user-data-dir=" + self.profile, "--window-size=1400,1700"]:
            options.add_argument(flag)
        options.add_experimental_option("prefs", {
            "download.default_directory": str(self.downloads),
            "download.prompt_for_download": False})
        driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")
                                                  or "/usr/bin/chromedriver"), options=options)
        driver.execute_cdp_cmd("Page.setDownloadBehavior",
                               {"behavior": "allow", "downloadPath": str(self.downloads)})
        return driver

    def open(self):
        deadline = time.monotonic() + 180
        while True:
            try:
                urllib.request.urlopen(self.args.url, timeout=10).read()
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.3)
        self.driver.get(self.args.url)
        self.wait(lambda d: d.execute_script(
            "return window.Shiny && Shiny.shinyapp && Shiny.shinyapp.isConnected()"), 30)

    def wait(self, condition, seconds=60, what="a condition"):
        try:
            return WebDriverWait(self.driver, seconds, poll_frequency=0.1).until(condition)
        except TimeoutException:
            self.shot("timeout")
            raise AssertionError("timed out waiting for " + what)

    def element(self, element_id):
        return self.driver.find_element(By.ID, element_id)

    def text(self, element_id):
        return self.element(element_id).text.strip()

    def tab(self, label):
        self.driver.execute_script("window.scrollTo(0, 0);")
        self.driver.find_element(By.LINK_TEXT, label).click()
        time.sleep(0.3)

    def upload(self, input_id, path):
        # The bar says "Upload complete" from an earlier upload: clear it first.
        self.driver.execute_script(
            "document.querySelector('#' + arguments[0] + '_progress .progress-bar')"
            ".textContent = '';", input_id)
        self.element(input_id).send_keys(str(path))
        self.wait(lambda d: "Upload complete" in d.find_element(
            By.ID, input_id + "_progress").text, 20, "the upload of " + input_id)

    def type_into(self, input_id, value):
        # Selected and typed over, so the field is never empty in between.
        field = self.element(input_id)
        field.send_keys(Keys.CONTROL, "a")
        field.send_keys(value)

    def click(self, element_id):
        element = self.element(element_id)
        self.driver.execute_script("arguments[0].scrollIntoView({block: 'center'});", element)
        element.click()

    def shot(self, name):
        self.shot_number += 1
        path = pathlib.Path(self.args.shots) / f"{self.shot_number}-{name}.png"
        height = self.driver.execute_script("return document.body.scrollHeight")
        self.driver.set_window_size(1400, max(900, min(int(height) + 40, 4000)))
        self.driver.save_screenshot(str(path))
        self.driver.set_window_size(1400, 1700)

    def doc_shot(self, name):
        """A screenshot of the window for the app guide, when asked for."""
        if not self.args.doc_shots:
            return
        self.driver.execute_script("window.scrollTo(0, 0);")
        self.driver.set_window_size(1280, 900)
        time.sleep(3)  # the plots are drawn again for the narrower window
        self.driver.save_screenshot(str(pathlib.Path(self.args.doc_shots) / name))
        self.driver.set_window_size(1400, 1700)
        time.sleep(3)

    def answering(self, seconds):
        """Whether the app takes a change of a setting and answers it within
        `seconds`: a round trip through the server."""
        self.tab("Design")
        self.tab("Boundaries")
        before = self.text("boundaries_note")
        self.type_into("rate_bound", "0.35")
        try:
            WebDriverWait(self.driver, seconds, poll_frequency=0.05).until(
                lambda d: d.find_element(By.ID, "boundaries_note").text.strip() != before)
            answered = True
        except TimeoutException:
            answered = False
        self.type_into("rate_bound", "0.3")
        return answered


def run(command, cwd=None, stdin=None):
    return subprocess.run(command, cwd=cwd, input=stdin, capture_output=True, text=True,
                          check=False)


def job_processes():
    """Background runs of the app still alive (their command line names the job)."""
    found = 0
    for entry in pathlib.Path("/proc").iterdir():
        if entry.name.isdigit():
            try:
                if b"run_app_job" in (entry / "cmdline").read_bytes():
                    found += 1
            except OSError:
                pass
    return found


def interim_decision(app, args, work):
    trial = work / "toxicity"
    shutil.copytree(pathlib.Path(args.root) / "examples" / "toxicity", trial)
    run([args.quillmere, "1"], cwd=trial, stdin="")
    summary = (trial / "summary.txt").read_text()
    results = re.findall(r"^RESULTS: .*$", summary, re.M)[-1]
    comparison = re.findall(r"^Compared with cut-off .*$", summary, re.M)[-1]
    app.tab("Interim decision")
    app.upload("trial_config", trial / "TrialConfig_Toxicity.config")
    app.upload("trial_data", trial / "data_toxicity.txt")
    app.click("decide")
    app.wait(lambda d: d.find_element(By.ID, "decision_probability").text.strip(), 30,
             "the decision")
    shown = "RESULTS: %s=%s" % (app.text("decision_label"), app.text("decision_probability"))
    check(shown == results, "the decision's probability is quillmere's: %r" % shown)
    check(app.text("decision_advice") == comparison,
          "the advice is quillmere's: %r" % app.text("decision_advice"))
    check(app.text("error_message") == "", "no message after a good decision")
    app.wait(lambda d: d.find_element(By.CSS_SELECTOR, "#follow_up_plot img"), 30,
             "the follow-up chart")
    app.type_into("stability_runs", "20")
    app.type_into("stability_seed", "3")
    app.click("run_stability")
    app.wait(lambda d: "Independent runs" in d.find_element(By.ID, "stability_summary").text,
             120, "the stability runs")
    app.wait(lambda d: d.find_elements(By.CSS_SELECTOR, "#stability_plot img"), 60,
             "the stability plot")
    target = app.downloads / "stability.csv"
    app.wait(lambda d: "/download/" in (d.find_element(By.ID, "download_stability")
                                        .get_attribute("href") or ""), 20,
             "the address of stability.csv")
    app.click("download_stability")
    app.wait(lambda d: target.exists() and target.stat().st_size > 0, 30,
             "the download of stability.csv")
    out = work / "stability"
    run([args.companion, "stability", str(trial), "--answer", "1", "--runs", "20", "--seed",
         "3", "--out", str(out)])
    check((out / "stability.csv").read_bytes() == target.read_bytes(),
          "the downloaded stability.csv equals the companion's")
    interim_report(app, trial)
    app.shot("interim-decision")
    app.doc_shot("app-interim.png")
    # A data file quillmere refuses: its message, and the app goes on.
    bad = work / "bad"
    bad.mkdir()
    (bad / "data_toxicity.txt").write_text("PatientData TOXICITY_EVENT TimeToEvent FollowUpTime\n"
                                           "P001 2 28 40\n")
    shutil.copy(trial / "TrialConfig_Toxicity.config", bad)
    expected = run([args.quillmere, "1"], cwd=bad, stdin="").stdout
    app.upload("trial_data", bad / "data_toxicity.txt")
    app.click("decide")
    app.wait(lambda d: d.find_element(By.ID, "error_message").text.strip(), 30,
             "the message of a bad data file")
    message = app.text("error_message")
    check(message and message.splitlines()[0] in expected,
          "a bad data file shows quillmere's message: %r" % message)
    app.shot("interim-bad-data")


def interim_report(app, trial):
    """The committee's report, when the package has it: made in the background,
    downloaded, naming quillmere's probability and the data file's SHA-256."""
    if not app.driver.find_elements(By.ID, "run_interim_report"):
        print("skip  the interim report (the package has no qm_interim_report)")
        return
    app.click("run_interim_report")
    app.wait(lambda d: "done" in d.find_element(By.ID, "run_interim_report_status").text, 300,
             "the interim report")
    target = app.downloads / "interim-report.html"
    app.wait(lambda d: "/download/" in (d.find_element(By.ID, "download_interim_report")
                                        .get_attribute("href") or ""), 20,
             "the address of the interim report")
    app.click("download_interim_report")
    app.wait(lambda d: target.exists() and target.stat().st_size > 0, 30,
             "the download of the interim report")
    page = target.read_text()
    digest = hashlib.sha256((trial / "data_toxicity.txt").read_bytes()).hexdigest()
    check("0.608893" in page and digest in page,
          "the interim report names quillmere's probability and the data file's SHA-256")


def expected_simulation(args, design_file):
    """simulate()'s figures, each in the companion's eight digits: a list per
    true rate."""
    script = f"""
    library(quillmere)
    sim <- simulate(qm_read_design({str(design_file)!r}), threads = 2)
    oc <- sim$oc
    f <- function(x) sprintf("%.8g", x)
    cat(paste(quillmere:::shortest_text_cpp(oc$true_rate), oc$trials,
              f(oc$early_stop_probability), f(oc$early_stop_se),
              sprintf("[%s, %s]", f(oc$early_stop_ci_low), f(oc$early_stop_ci_high)),
              f(oc$expected_patients), f(oc$expected_patients_se), f(oc$expected_duration),
              f(oc$expected_duration_se), f(oc$mean_looks_run), f(oc$mean_pending_per_look),
              f(oc$prior_only_look_share), sep = "|"), sep = "\\n")
    """
    result = run(["Rscript", "-e", script])
    if result.returncode != 0:
        raise AssertionError("simulate() failed: " + result.stderr)
    return [line.split("|") for line in result.stdout.strip().splitlines()]


def shown_simulation(app):
    """The operating characteristics table as shown: a list per true rate (its
    header, then its column)."""
    table = app.driver.find_element(By.CSS_SELECTOR, "#oc_table table")
    header = [cell.text.strip() for cell in table.find_elements(By.CSS_SELECTOR, "thead th")]
    rows = [[cell.text.strip() for cell in row.find_elements(By.TAG_NAME, "td")]
            for row in table.find_elements(By.CSS_SELECTOR, "tbody tr")]
    return [[header[c]] + [row[c] for row in rows] for c in range(1, len(header))]


def simulation(app, args, work):
    design_file = work / "small.design"
    design_file.write_text(SMALL_DESIGN)
    app.tab("Design")
    app.upload("design_file", design_file)
    app.wait(lambda d: d.find_element(By.ID, "max_patients").get_attribute("value") == "12", 20,
             "the form filled from the design file")
    app.wait(lambda d: d.find_elements(By.CSS_SELECTOR, "#boundaries_table table"), 20,
             "the boundaries")
    app.shot("design-boundaries")
    app.doc_shot("app-design.png")
    app.tab("Simulate")
    app.click("run_simulate")
    app.wait(lambda d: d.find_elements(By.CSS_SELECTOR, "#oc_table table tbody tr"), 120,
             "the operating characteristics")
    shown = shown_simulation(app)
    check(shown == expected_simulation(args, design_file),
          "the operating characteristics table is simulate()'s (%d true rates)" % len(shown))
    app.wait(lambda d: d.find_elements(By.CSS_SELECTOR, "#oc_plot img"), 60, "the plot")
    app.shot("simulation")
    app.doc_shot("app-simulation.png")
    app.tab("Calibrate")
    app.click("run_calibrate")
    app.wait(lambda d: "cut-off" in d.find_element(By.ID, "calibration_summary").text, 120,
             "the calibration")
    app.wait(lambda d: d.find_elements(By.CSS_SELECTOR, "#calibration_plot img"), 60,
             "the calibration plot")
    app.shot("calibration")
    return design_file


def downloads(app, args, work):
    app.tab("Downloads")
    fetched = {}
    for link, (name, _) in list(DOWNLOADS.items()) + [("download_design", ("quillmere.design",
                                                                            None))]:
        target = app.downloads / name
        if target.exists():
            target.unlink()
        # A download link gets its address from the server once it is shown.
        app.wait(lambda d: "/download/" in (d.find_element(By.ID, link).get_attribute("href")
                                            or ""), 20, "the address of " + name)
        app.click(link)
        app.wait(lambda d: target.exists() and target.stat().st_size > 0, 30,
                 "the download of " + name)
        fetched[link] = target
    app.shot("downloads")
    # The companion run on the downloaded design file writes the same files.
    out = work / "companion"
    for command in ["boundaries", "simulate", "calibrate"]:
        extra = ["--threads", "2"] if command != "boundaries" else []
        result = run([args.companion, command, str(fetched["download_design"]),
                      "--out", str(out)] + extra)
        check(result.returncode == 0, "the companion's %s of the downloaded design" % command)
    for link, (name, _) in DOWNLOADS.items():
        same = (out / name).read_bytes() == fetched[link].read_bytes()
        check(same, "the downloaded %s equals the companion's" % name)


def expected_comparison(design_a, design_b):
    """qm_compare()'s tables as it prints them, rule A the first file."""
    script = f"""
    library(quillmere)
    A <- qm_read_design({str(design_a)!r})
    B <- qm_read_design({str(design_b)!r})
    cat(format(qm_compare(A, B, threads = 2)), sep = "\\n")
    """
    result = run(["Rscript", "-e", script])
    if result.returncode != 0:
        raise AssertionError("qm_compare() failed: " + result.stderr)
    return result.stdout.strip()


def comparison(app, args, work, design_file):
    """Rule B differs from the form's design in its cut-off and its method:
    the tables shown are qm_compare()'s, and their figures the companion's."""
    other = work / "other.design"
    other.write_text(design_file.read_text().replace("CutoffProbability = 0.9",
                                                     "CutoffProbability = 0.8")
                     + "Method = complete-case\n")
    app.tab("Compare")
    app.upload("compare_file", other)
    app.click("run_compare")
    app.wait(lambda d: "done" in d.find_element(By.ID, "run_compare_status").text, 120,
             "the comparison")
    app.wait(lambda d: d.find_element(By.ID, "compare_summary").text.strip(), 20,
             "the comparison's tables")
    shown = app.text("compare_summary")
    check(shown == expected_comparison(design_file, other),
          "the comparison shown is qm_compare()'s")
    app.shot("comparison")
    app.doc_shot("app-compare.png")
    result = run([args.companion, "compare", str(design_file), str(other), "--threads", "2",
                  "--out", str(work / "compare")])
    check(result.returncode == 0, "the companion's compare")
    # The companion's tables, from the paired characteristics to the late
    # outcomes, stand as they are in those shown.
    lines = result.stdout.splitlines()
    first = next((i for i, line in enumerate(lines) if line.startswith("Paired on the same")),
                 None)
    last = next((i for i, line in enumerate(lines) if line.startswith("Written into")), None)
    tables = "\n".join(lines[first:last]).strip() if first is not None and last else ""
    check("Late outcomes:" in tables and tables in shown,
          "the tables shown, the late outcomes' too, are the companion's")


def protocol_report(app, args, work, design_file):
    """The protocol report downloaded is the companion's page for the same
    design, simulation and calibration."""
    app.tab("Downloads")
    target = app.downloads / "report.html"
    if target.exists():
        target.unlink()
    app.wait(lambda d: "/download/" in (d.find_element(By.ID, "download_report")
                                        .get_attribute("href") or ""), 20,
             "the address of the protocol report")
    app.click("download_report")
    app.wait(lambda d: target.exists() and target.stat().st_size > 0, 60,
             "the download of the protocol report")
    # The page names its design file and results directory: those the app names.
    here = work / "report"
    here.mkdir(exist_ok=True)
    shutil.copy(app.downloads / "quillmere.design", here / "quillmere.design")
    for command in ["boundaries", "simulate", "calibrate"]:
        extra = ["--threads", "2"] if command != "boundaries" else []
        result = run([args.companion, command, "quillmere.design", "--out", "results"] + extra,
                     cwd=here)
        check(result.returncode == 0, "the companion's %s for the report" % command)
    result = run([args.companion, "report", "quillmere.design", "--from", "results",
                  "--out", "report.html"], cwd=here)
    check(result.returncode == 0, "the companion's report")
    check((here / "report.html").read_bytes() == target.read_bytes(),
          "the downloaded protocol report equals the companion's page")
    # The page in a tab of its own, so that the app's session goes on.
    app_window = app.driver.current_window_handle
    app.driver.switch_to.new_window("tab")
    app.driver.get(target.as_uri())
    time.sleep(1)
    app.shot("protocol-report")
    app.driver.close()
    app.driver.switch_to.window(app_window)


def bad_value(app, args, work):
    app.tab("Design")
    app.tab("Boundaries")
    app.type_into("rate_bound", "1.5")
    app.wait(lambda d: "(1.5)" in d.find_element(By.ID, "rate_bound_message").text, 20,
             "the message beside the rate bound")
    shown = app.text("rate_bound_message")
    bad_file = work / "bad.design"
    bad_file.write_text(SMALL_DESIGN.replace("RateBound = 0.3", "RateBound = 1.5"))
    expected = run([args.companion, "boundaries", str(bad_file), "--out", str(work / "bad-out")])
    check(expected.returncode == 1 and shown in expected.stderr.splitlines(),
          "the message beside the rate bound is the companion's: %r" % shown)
    check(not app.driver.find_elements(By.CSS_SELECTOR, "#boundaries_table table")
          and not app.text("boundaries_table"),
          "no boundaries, and no stray error, for a refused design")
    app.shot("bad-value")
    app.doc_shot("app-bad-value.png")
    app.type_into("rate_bound", "0.3")
    app.wait(lambda d: not d.find_element(By.ID, "rate_bound_message").text.strip(), 20,
             "the message to go")
    check(app.answering(2), "the app answers after a bad value")


def long_run(app, args, work):
    app.tab("Design")
    app.type_into("trials", "200000")
    app.tab("Simulate")
    time.sleep(1)
    app.click("run_simulate")
    app.wait(lambda d: "running" in d.find_element(By.ID, "run_simulate_status").text, 30,
             "the long run to start")
    check(job_processes() == 1, "the long run is a background process")
    check(app.answering(2), "the app answers during a long run")
    app.tab("Simulate")
    app.wait(lambda d: re.search(r"running: [1-9]",
                                 d.find_element(By.ID, "run_simulate_status").text), 300,
             "the long run's progress")
    app.shot("long-run")
    app.click("run_simulate_cancel")
    app.wait(lambda d: "cancelled" in d.find_element(By.ID, "run_simulate_status").text, 5,
             "the cancel")
    check(app.answering(2), "the app answers within 2 s after the cancel")
    check(job_processes() == 0, "the cancelled run's process has ended")
    app.tab("Simulate")
    app.shot("cancelled")
    # A run whose tab is closed ends too.
    app.click("run_simulate")
    app.wait(lambda d: "running" in d.find_element(By.ID, "run_simulate_status").text, 30,
             "the second long run to start")
    app.driver.quit()
    deadline = time.monotonic() + 10
    while job_processes() > 0 and time.monotonic() < deadline:
        time.sleep(0.2)
    check(job_processes() == 0, "closing the tab ends its run")


def app_files_stay_inside(args):
    """The app keeps its files in its R session's temporary directory, and a
    closed session leaves none behind."""
    leftovers = [p for p in pathlib.Path(args.app_tmp).rglob("quillmere-app-*")]
    check(not leftovers, "closed sessions leave no files: %s" % leftovers)


def main():
    parser = argparse.ArgumentParser()
    for name in ["url", "root", "quillmere", "companion", "shots", "work", "app-tmp"]:
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--doc-shots", help="also save the app guide's screenshots here")
    args = parser.parse_args()
    work = pathlib.Path(args.work) / "check"
    work.mkdir(parents=True, exist_ok=True)
    for old in pathlib.Path(args.shots).glob("*.png"):
        old.unlink()
    app = App(args)
    try:
        app.open()
        interim_decision(app, args, work)
        design_file = simulation(app, args, work)
        downloads(app, args, work)
        protocol_report(app, args, work, design_file)
        comparison(app, args, work, design_file)
        bad_value(app, args, work)
        long_run(app, args, work)
    except Exception:
        try:
            app.shot("failure")
        except Exception:
            pass
        raise
    finally:
        try:
            app.driver.quit()
        except Exception:
            pass
    time.sleep(1)
    app_files_stay_inside(args)
    if failures:
        print("%d checks failed" % len(failures))
        sys.exit(1)
    print("all checks passed")


if __name__ == "__main__":
    main()
