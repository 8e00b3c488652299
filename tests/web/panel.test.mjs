// The browser panel end to end: zelkor --panel web driven in Debian's chromium by playwright-core.
// Run by CTest with ZELKOR (the program), ZELKOR_EXAMPLES and ZELKOR_ARTIFACTS (where the
// screenshot goes) in the environment.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync } from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const zelkor = process.env.ZELKOR;
const examples = process.env.ZELKOR_EXAMPLES;
const artifacts = process.env.ZELKOR_ARTIFACTS;
const scratch = mkdtempSync(path.join(os.tmpdir(), 'zelkor-web-'));
let browser, context;

before(async () => {
  browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
  // One context for all pages: each tab still has a session storage, and so a page, of its own.
  context = await browser.newContext({ viewport: { width: 1100, height: 720 } });
});
after(async () => { await browser?.close(); });

// Starts zelkor with the panel in a browser; resolves once it printed the panel's address.
async function startPanel(output, ...args) {
  const child = spawn(zelkor, ['--panel', 'web', '--target', `${examples}/terrain.lwo`,
    '--template', `${examples}/rock.lwo`, '-o', output, ...args]);
  let stdout = '', stderr = '';
  child.stdout.on('data', (d) => { stdout += d; });
  const exited = new Promise((resolve) => child.on('exit', (code) => resolve({ code, stdout, stderr })));
  const url = await new Promise((resolve, reject) => {
    child.stderr.on('data', (d) => {
      stderr += d;
      const found = stderr.match(/the panel is at (http:\/\/127\.0\.0\.1:\d+\/)/);
      if (found) resolve(found[1]);
    });
    exited.then(() => reject(new Error(`zelkor ended before its panel: ${stderr}`)));
  });
  return { url, exited, child };
}

// The page, the panel's description and the scene it drew.
async function openPanel(url) {
  const page = await context.newPage();
  const claim = page.waitForResponse('**/api/claim');
  const scene = page.waitForResponse('**/api/scene');
  await page.goto(url);
  const description = await (await claim).json();
  await page.locator('#title').filter({ hasText: 'Zelkor' }).waitFor();
  return { page, panel: description.panel, scene: await (await scene).json() };
}

const field = (page, label) => page.getByLabel(label, { exact: true });

// Types into a field and waits for the panel service's answer.
async function enter(page, label, text) {
  const answered = page.waitForResponse('**/api/set');
  await field(page, label).fill(text);
  await field(page, label).press('Enter');
  await answered;
}

// Presses a button and waits until the page shows `label` at `value`.
async function pressUntil(page, name, label, value) {
  await page.getByRole('button', { name }).click();
  await page.waitForFunction(([l, v]) => [...document.querySelectorAll('label')].find((e) => e.textContent === l).control.value === v,
    [label, value]);
}

// Shows the tab that holds the control, so that it can be clicked.
async function reveal(page, label) {
  const tab = await field(page, label).evaluate((input) => input.closest('[role="tabpanel"]')?.getAttribute('aria-labelledby'));
  if (tab) await page.locator(`#${tab}`).click();
}

// What the page shows, tab by tab: labels in order, '|' for a divider.
const pageLayout = (page) => page.evaluate(() => {
  const read = (box) => [...box.children].map((e) => (e.tagName === 'HR' ? '|' : e.querySelector('label, button').textContent));
  return {
    tabs: [...document.querySelectorAll('[role="tab"]')].map((t) => t.textContent),
    pages: [...document.querySelectorAll('[role="tabpanel"]')].map(read),
    outside: read(document.getElementById('outside')),
  };
});

test('every control stands on its tab in group order, units in degrees and percent, popups list the weight maps', async () => {
  const run = await startPanel(`${scratch}/layout.lwo`, '--set', 'H Max=90deg', '--set', 'Size Variations=40%',
    '--set', 'density_wg=Hollows');
  const { page } = await openPanel(run.url);
  assert.equal(await page.locator('h1').textContent(), 'Zelkor 1.6');
  assert.deepEqual(await pageLayout(page), {
    tabs: ['Basic', 'Advanced'],
    pages: [
      ['Number of Clones', 'Independent Sizes', 'Size Variations', 'Y', 'Z', 'Size WeightMap', 'Size WeightMap Influence',
        'Density WeightMap', '|', 'Random rotation H Min', 'H Max', 'P Min', 'P Max', 'B Min', 'B Max', 'Zero Angles', '|',
        'H Align with normals', 'P Align with normals', '|', 'Random Seed'],
      ['Size depends on Poly Area', 'Dependence Power', '|', 'Jitter Cloned points', '|', 'Slope Angle Limits',
        'Min Slope Angle', 'Max Slope Angle', '|', 'P angle weightmap', 'Absolute', '|', 'Distribution', 'Iterations', '|',
        'Auto morph maps'],
    ],
    outside: ['About', 'Reset Values'],
  });
  const shows = [['H Max', '90', '°'], ['Size Variations', '40', '%'], ['Density WeightMap', '1', ''], ['Number of Clones', '30', '']];
  for (const [label, value, unit] of shows) {
    assert.equal(await field(page, label).inputValue(), value, label);
    assert.equal(await field(page, label).evaluate((e) => e.nextElementSibling.textContent), unit, label);
  }
  for (const popup of ['Size WeightMap', 'Density WeightMap', 'P angle weightmap'])
    assert.deepEqual(await field(page, popup).evaluate((s) => [...s.options].map((o) => o.text)), ['none', 'Hollows'], popup);
  await page.getByRole('button', { name: 'Cancel' }).click();
  assert.equal((await run.exited).code, 1);
  await page.close();
});

test('an enable rule greys its controls while its switch is off, and a click on one shows the rule\'s message', async () => {
  const run = await startPanel(`${scratch}/rules.lwo`, '--set', 'independent_sizes=1', '--set', 'size_wg=Hollows',
    '--set', 'size_by_area=1', '--set', 'slope_limits=1');
  const { page } = await openPanel(run.url);
  const rules = [
    ['Independent Sizes', ['Y', 'Z'], 'Size axes are linked'],
    ['Size WeightMap', ['Size WeightMap Influence'], 'Choose any weightmap first'],
    ['Size depends on Poly Area', ['Dependence Power'], "Control is disabled. Turn 'Size Depends on Poly Area' on first"],
    ['Slope Angle Limits', ['Max Slope Angle', 'Min Slope Angle'], 'Slope Angle is Disabled'],
    ['P Align with normals', ['P angle weightmap'], 'P Align should be enabled.'],
  ];
  const greyed = (label) => field(page, label).evaluate((e) => e.closest('.control').classList.contains('greyed'));
  for (const [toggle, controls, message] of rules) {
    for (const label of controls) assert.equal(await greyed(label), false, `${label} before ${toggle} is off`);
    await reveal(page, toggle);
    if (toggle === 'Size WeightMap') await field(page, toggle).selectOption('0');
    else await field(page, toggle).uncheck();
    for (const label of controls) {
      await reveal(page, label);
      assert.equal(await greyed(label), true, `${label} after ${toggle} is off`);
      const before = await field(page, label).inputValue();
      await page.locator('#notice').evaluate((e) => { e.textContent = ''; });
      await field(page, label).click();
      assert.equal(await page.locator('#notice').textContent(), message);
      assert.equal(await field(page, label).inputValue(), before);
    }
  }
  assert.equal(await greyed('Absolute'), false);
  await page.getByRole('button', { name: 'Cancel' }).click();
  assert.equal((await run.exited).code, 1);
  await page.close();
});

test('"Reset Values" puts the defaults back into the page and "Zero Angles" zeroes the six limits', async () => {
  const run = await startPanel(`${scratch}/buttons.lwo`, '--set', 'num_clones=7', '--set', 'seed=3', '--set', 'H_max=90deg',
    '--set', 'density_wg=Hollows', '--set', 'jitter=0.3');
  const { page, panel } = await openPanel(run.url);
  await pressUntil(page, 'Reset Values', 'Random Seed', '25');
  const scale = { angle: 180 / Math.PI, percent: 100 };
  for (const control of panel.controls.filter((c) => c.class !== 'vButton')) {
    const input = page.locator(`#c${control.id}`);
    const expected = Number((control.default * (scale[control.class] ?? 1)).toPrecision(7));
    const actual = control.class === 'iBoolean' ? Number(await input.isChecked()) : Number(await input.inputValue());
    assert.equal(actual, expected, control.label);
  }
  assert.equal(await field(page, 'Random Seed').inputValue(), '25');
  assert.equal(await field(page, 'Density WeightMap').evaluate((s) => s.selectedOptions[0].text), 'none');

  const limits = ['Random rotation H Min', 'H Max', 'P Min', 'P Max', 'B Min', 'B Max'];
  await enter(page, 'Number of Clones', '12');
  for (const [k, label] of limits.entries()) await enter(page, label, String(5 + k));
  assert.equal(await field(page, 'B Max').inputValue(), '10');
  await pressUntil(page, 'Zero Angles', 'B Max', '0');
  for (const label of limits) assert.equal(await field(page, label).inputValue(), '0', label);
  assert.equal(await field(page, 'Number of Clones').inputValue(), '12');
  await page.getByRole('button', { name: 'Cancel' }).click();
  assert.equal((await run.exited).code, 1);
  await page.close();
});

test('Cancel writes nothing and ends with status 1', async () => {
  const output = `${scratch}/cancelled.lwo`;
  const run = await startPanel(output);
  const { page } = await openPanel(run.url);
  await page.getByRole('button', { name: 'Cancel' }).click();
  const { code, stderr } = await run.exited;
  assert.equal(code, 1);
  assert.match(stderr, /cancelled; nothing written/);
  assert.equal(existsSync(output), false);
  await page.close();
});

function decode(base64, Type = Float32Array) {
  const bytes = Buffer.from(base64, 'base64');
  return new Type(bytes.buffer, bytes.byteOffset, bytes.byteLength / Type.BYTES_PER_ELEMENT);
}

test('Preview then OK with 50 clones writes 50 clones where the preview drew them', async () => {
  const output = `${scratch}/previewed.obj`;
  const run = await startPanel(output);
  const { page, scene } = await openPanel(run.url);
  await enter(page, 'Number of Clones', '50');
  const previewed = page.waitForResponse('**/api/preview');
  await page.getByRole('button', { name: 'Preview' }).click();
  const preview = await (await previewed).json();
  await page.locator('#status').filter({ hasText: /^Preview: 50 clones/ }).waitFor();
  if (artifacts) {
    mkdirSync(artifacts, { recursive: true });
    await page.screenshot({ path: path.join(artifacts, 'panel-preview.png') });
  }
  const answered = page.waitForResponse('**/api/ok');
  await page.getByRole('button', { name: 'OK' }).click();
  const result = await (await answered).json();
  assert.equal((await run.exited).code, 0);
  assert.equal(result.status, 'written');
  assert.equal(preview.clones.count, 50);
  assert.equal(result.clones.transforms, preview.clones.transforms);
  assert.match(await page.locator('#status').textContent(), /50 clones, 600 points and 1000 polygons added/);

  // Every written clone point is where the previewed transform takes a template point (OBJ, like
  // the page, mirrors the modeller's z axis, and holds the points as floats).
  const template = decode(scene.template.positions);
  const points = readFileSync(output, 'utf8').split('\n').filter((l) => l.startsWith('v ')).map((l) => l.split(' ').slice(1).map(Number));
  const targetPoints = scene.target.points, perClone = scene.template.points;
  assert.equal(points.length, targetPoints + 50 * perClone);
  const rows = decode(preview.clones.transforms);
  for (let k = 0; k < 50; ++k) {
    const r = rows.subarray(12 * k, 12 * k + 12);
    const written = points.slice(targetPoints + k * perClone, targetPoints + (k + 1) * perClone);
    for (let j = 0; j < perClone; ++j) {
      const [x, y, z] = template.subarray(3 * j, 3 * j + 3);
      const p = [r[0] * x + r[1] * y + r[2] * z + r[3], r[4] * x + r[5] * y + r[6] * z + r[7], r[8] * x + r[9] * y + r[10] * z + r[11]];
      const nearest = Math.min(...written.map((q) => Math.hypot(q[0] - p[0], q[1] - p[1], q[2] - p[2])));
      assert.ok(nearest < 1e-3, `clone ${k}, template point ${j}: nearest written point ${nearest} away`);
    }
  }
  await page.close();
});

const post = (url, headers) => new Promise((resolve, reject) => {
  const request = http.request(url, { method: 'POST', headers: { 'Content-Length': 2, ...headers } }, (response) => {
    let body = '';
    response.on('data', (d) => { body += d; });
    response.on('end', () => resolve({ status: response.statusCode, body: JSON.parse(body) }));
  });
  request.on('error', reject);
  request.end('{}');
});

test('one page holds the panel: a second page, an earlier run\'s page and another host name are refused, and a closed page counts as Cancel', async () => {
  const output = `${scratch}/closed.lwo`;
  const run = await startPanel(output, '--panel-timeout', '2');
  const port = new URL(run.url).port;
  const { page } = await openPanel(run.url);
  const second = await context.newPage();
  await second.goto(run.url);
  await second.locator('#blocked').filter({ hasText: 'open in another window' }).waitFor();
  assert.equal(await second.locator('#app').isHidden(), true);
  await second.close();

  const earlier = await post(`${run.url}api/ok`, { 'X-Zelkor-Page': 'f'.repeat(32) });
  assert.deepEqual(earlier, { status: 410, body: { error: 'This page belongs to an earlier run of zelkor, which has ended.' } });
  const rebound = await post(`${run.url}api/ok`, { Host: `zelkor.example:${port}` });
  assert.equal(rebound.status, 403);
  for (const address of Object.values(os.networkInterfaces()).flat().filter((a) => a.family === 'IPv4' && !a.internal))
    await assert.rejects(post(`http://${address.address}:${port}/api/claim`, {}), { code: 'ECONNREFUSED' });

  const closed = Date.now();
  await page.close();
  const { code, stderr } = await run.exited;
  assert.equal(code, 1);
  assert.ok(Date.now() - closed >= 2000, 'cancelled before the timeout');
  assert.match(stderr, /page was closed 2 s ago/);
  assert.equal(existsSync(output), false);
});
