#!/usr/bin/python3
"""Uses the application's web pages as a person would, in Chromium driven by
chromedriver, one step after another in one browser; each step's output
follows a line "=== STEP":

  dump:PATH        the page at PATH, as the browser holds it.
  media:PATH:SIZE  picks SIZE for the first source of the Media page at PATH
                   and presses Save; the page's answer.
  check:PATH:NAME  ticks the box NAME of the form at PATH and presses Save;
                   the page's answer.
  fill:PATH:N=V,.. sets each field N of the form at PATH to V and presses
                   Save; the page's answer.
  test:PATH        presses "Print Test Page" on the printer page at PATH;
                   the page's answer.
  job:PATH         opens the first job of the cards page at PATH: "image
                   WIDTH" for each card picture once loaded (0 for one that
                   did not load), then the page's text.
  shot:PATH:FILE   a screenshot of the page at PATH into FILE.
  design:PATH:NAME:FRONT
                   uploads the design FRONT as NAME on the designs page at
                   PATH; the page's answer.
  run:PATH:DATA:PHOTOS:ROWS:N=V,..:SHOT
                   on the design page at PATH uploads the data file DATA and
                   the photos PHOTOS (comma-separated); on the run's page,
                   "image WIDTH" for each card picture once loaded and the
                   problems found, and its screenshot into SHOT; then chooses
                   ROWS, sets each field N to V and presses Print: the path of
                   the page it lands on and its text.

Usage: media_page.py URL PROFILE_FOLDER STEP...
"""
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

url, profile, steps = sys.argv[1], sys.argv[2], sys.argv[3:]
options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--user-data-dir=" + profile):
    options.add_argument(argument)
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
driver.set_window_size(1000, 1600)


def banner():
    """The answer of the page a form was sent from, once it has come."""
    return WebDriverWait(driver, 10).until(
        lambda d: d.find_elements(By.CSS_SELECTOR, "div.banner"))[0].text


try:
    for step in steps:
        kind, path, *rest = step.split(":")
        print("===", step)
        driver.get(url + path)
        if kind == "dump":
            print(driver.page_source)
        elif kind == "shot":
            driver.save_screenshot(rest[0])
        elif kind == "media":
            Select(driver.find_element(By.NAME, "ready0-size")).select_by_value(rest[0])
            driver.find_element(By.CSS_SELECTOR, "input[type=submit]").click()
            print(banner())
        elif kind == "check":
            box = driver.find_element(By.NAME, rest[0])
            if not box.is_selected():
                driver.execute_script("arguments[0].click()", box)
            driver.find_element(By.CSS_SELECTOR, "input[type=submit]").submit()
            print(banner())
        elif kind == "fill":
            for field in rest[0].split(","):
                name, value = field.split("=")
                element = driver.find_element(By.NAME, name)
                if element.tag_name == "select":
                    Select(element).select_by_value(value)
                else:
                    element.clear()
                    element.send_keys(value)
            driver.find_element(By.CSS_SELECTOR, "input[type=submit]").submit()
            print(banner())
        elif kind == "test":
            driver.find_element(By.CSS_SELECTOR, "input[value='Print Test Page']").click()
            print(banner())
        elif kind == "design":
            driver.find_element(By.CSS_SELECTOR, "input[type=text][name=name]").send_keys(rest[0])
            driver.find_element(By.NAME, "front").send_keys(rest[1])
            driver.find_element(By.CSS_SELECTOR, "input[value='Save Design']").click()
            print(banner())
        elif kind == "run":
            data, photos, rows, fields, shot = rest
            driver.find_element(By.NAME, "data").send_keys(data)
            driver.find_element(By.NAME, "photos").send_keys("\n".join(photos.split(",")))
            driver.find_element(By.CSS_SELECTOR, "input[value='Check Data']").click()
            images = WebDriverWait(driver, 10).until(
                lambda d: d.find_elements(By.CSS_SELECTOR, "img.card"))
            WebDriverWait(driver, 60).until(
                lambda d: all(d.execute_script("return arguments[0].complete", i) for i in images))
            for image in images:
                print("image", driver.execute_script("return arguments[0].naturalWidth", image))
            for found in driver.find_elements(By.CSS_SELECTOR, "p.checked, ul.problems li"):
                print(found.text)
            driver.save_screenshot(shot)
            click = lambda element: driver.execute_script("arguments[0].click()", element)
            click(driver.find_element(By.CSS_SELECTOR, "input[name=rows][value=range]"))
            driver.find_element(By.NAME, "range").send_keys(rows)
            for field in fields.split(","):
                name, value = field.split("=")
                Select(driver.find_element(By.NAME, name)).select_by_value(value)
            click(driver.find_element(By.CSS_SELECTOR, "input[value=Print]"))
            WebDriverWait(driver, 10).until(lambda d: "/cards" in d.current_url)
            print(driver.current_url[len(url):])
            print(driver.find_element(By.TAG_NAME, "body").text)
        elif kind == "job":
            driver.find_element(By.CSS_SELECTOR, "table.list a").click()
            WebDriverWait(driver, 10).until(lambda d: d.find_elements(By.TAG_NAME, "figure"))
            images = driver.find_elements(By.CSS_SELECTOR, "figure img")
            WebDriverWait(driver, 10).until(
                lambda d: all(d.execute_script("return arguments[0].complete", i) for i in images))
            for image in images:
                print("image", driver.execute_script("return arguments[0].naturalWidth", image))
            print(driver.find_element(By.TAG_NAME, "body").text)
finally:
    driver.quit()
