#!/usr/bin/python3
"""Saves a printer's Media page as a person would, in Chromium driven by
chromedriver: picks the size of the first source and presses Save. Prints
the message the page answers with.

Usage: media_page.py URL SIZE PROFILE_FOLDER
"""
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

url, size, profile = sys.argv[1:4]
options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--user-data-dir=" + profile):
    options.add_argument(argument)
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
try:
    driver.get(url)
    Select(driver.find_element(By.NAME, "ready0-size")).select_by_value(size)
    driver.find_element(By.CSS_SELECTOR, "input[type=submit]").click()
    print(driver.find_element(By.CSS_SELECTOR, "div.banner").text)
finally:
    driver.quit()
