// Opens the built page in firefox-esr, driven by puppeteer-core over WebDriver BiDi and served by serve.py with its
// policy: the keyboard's path to a result, the refusal box, and every combination of a BS2 by clicks against the
// core's worked results (tests/workedresults.h). Usage: node firefox.mjs [SITE]

import { spawn } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { createInterface } from 'node:readline';
import puppeteer from 'puppeteer-core';

const here = new URL('.', import.meta.url).pathname;
const table = readFileSync(`${here}../workedresults.h`, 'utf8');
// Each rate and a BS2's result: its clock dividend is the table's first.
const worked = [...table.matchAll(/\{ *(\d+), *(-?\d+), *-?\d+, *-?\d+ *\}/g)]
    .map(([, rate, bs2]) => [rate, Number(bs2)]);
const parities = { OptionButton8BitNoParity: 0, OptionButton7BitEvenParity: 8192 };
const polarities = { OptionButtonInverted: 16384, OptionButtonTrue: 0 };
// Down Down, Tab, Up six times, Tab, Down, Tab, Down, Return: the option focused after each key but the last.
const keyboardRun = [
    ['ArrowDown', 'BS1OptionButton'], ['ArrowDown', 'BS2OptionButton'], ['Tab', 'OptionButtonBaudRate'],
    ...['115200', '57600', '56000', '38400', '19200', '9600'].map((rate) => ['ArrowUp', `OptionButton${rate}`]),
    ['Tab', 'OptionButtonParity'], ['ArrowDown', 'OptionButton8BitNoParity'], ['Tab', 'OptionButtonPolarity'],
    ['ArrowDown', 'OptionButtonInverted'], ['Enter', null],
];
const refusal = ['Text Editor', 'Baud rate is not valid with a BS1', 'Please select a value between 300 and 2400'];

class CheckFailed extends Error {}
const fail = (message) => { throw new CheckFailed(message); };

async function serve(site) {
    const server = spawn('/usr/bin/python3', [`${here}serve.py`, ...(site ? [site] : [])], { stdio: 'pipe' });
    const [line] = await Promise.race([
        createInterface({ input: server.stdout })[Symbol.asyncIterator]().next().then(({ value }) => [value]),
        new Promise((_, reject) => server.on('exit', (code) => reject(new Error(`serve.py ended with ${code}`)))),
    ]);
    return { server, url: line.match(/http:\S+/)[0] };
}

async function open(page, url) {
    await page.goto(url);
    await page.waitForSelector('html[data-ready]');
}

const result = (page) => page.$eval('#BaudModeDecimalLabel', (e) => e.textContent.trim());
const focused = (page) => page.evaluate(() => document.activeElement.id);
const boxOpen = (page) => page.$eval('#MessageBox', (e) => e.open);

async function checkKeyboard(page, url) {
    await open(page, url);
    for (const [key, id] of keyboardRun) {
        await page.keyboard.press(key);
        if (id && (await focused(page)) !== id) fail(`after ${key} the focus is on ${await focused(page)}, not ${id}`);
    }
    await page.waitForFunction(() => document.getElementById('BaudModeDecimalLabel').textContent.trim() !== '0');
    if ((await result(page)) !== '16468') fail(`the keyboard's path gives ${await result(page)}`);
    console.log(`ok: ${keyboardRun.length} keys to '16468', the focus where the keys should leave it`);
}

async function checkRefusal(page, url) {
    await open(page, url);
    for (const id of ['BS2OptionButton', 'OptionButton9600', 'OptionButton8BitNoParity', 'OptionButtonTrue',
        'BS1OptionButton', 'CalculateCommandButton']) await page.click(`#${id}`);
    await page.waitForSelector('#MessageBox[open]');
    const shown = await page.$eval('#MessageBox', (box) => [box.querySelector('h2').textContent,
        ...box.querySelector('p').textContent.split('\n'), document.activeElement.textContent]);
    if (JSON.stringify(shown) !== JSON.stringify([...refusal, 'OK'])) fail(`the refusal box shows ${shown}`);
    await page.keyboard.press('Escape');
    await page.waitForSelector('#MessageBox:not([open])');
    const after = await page.evaluate(() => [document.getElementById('OptionButtonBaudRate').checked,
        document.getElementById('Form1').contains(document.activeElement) && !document.activeElement.disabled]);
    if (!after.every(Boolean)) fail(`after the refusal: rate back to the prompt, focus on the form: ${after}`);
    console.log("ok: a BS1 at 9600 refused in the box 'Text Editor' with its two lines and OK; Escape closes it");
}

async function checkSweep(page, url) {
    await open(page, url);
    const wrong = [];
    await page.click('#BS2OptionButton');
    for (const [rate, value] of worked) {
        await page.click(`#OptionButton${rate}`);
        for (const [parity, parityValue] of Object.entries(parities)) {
            await page.click(`#${parity}`);
            for (const [polarity, polarityValue] of Object.entries(polarities)) {
                await page.click(`#${polarity}`);
                await page.click('#CalculateCommandButton');
                const got = await result(page);
                const expected = String(value + parityValue + polarityValue);
                if (got !== expected || (await boxOpen(page))) wrong.push(`${rate} ${parity} ${polarity}: ${got}`);
            }
        }
    }
    if (wrong.length) fail(`these BS2 combinations differ from the worked results: ${wrong}`);
    console.log(`ok: all ${worked.length * 4} combinations of a BS2 by clicks give the worked results`);
}

const { server, url } = await serve(process.argv[2]);
let browser;
let status = 1;
try {
    browser = await puppeteer.launch({
        browser: 'firefox', protocol: 'webDriverBiDi', executablePath: '/usr/bin/firefox-esr', headless: true,
    });
    const page = await browser.newPage();
    await page.setViewport({ width: 1024, height: 720 });
    for (const check of [checkKeyboard, checkRefusal, checkSweep]) await check(page, url);
    status = 0;
} catch (error) {
    console.log(`FAILED: ${error instanceof CheckFailed ? error.message : error.stack}`);
} finally {
    await browser?.close();
    server.kill();
}
process.exit(status);
