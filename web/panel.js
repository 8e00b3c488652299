// The browser panel: built from the panel the module handed zelkor's panel service (controls,
// data descriptions, hints), which /api/claim describes. Values travel in the record's units;
// the page shows "angle" controls in degrees and "percent" controls in percent.
import * as THREE from 'three';
import { OrbitControls } from './OrbitControls.js';

const $ = (id) => document.getElementById(id);
// Above this many clones each is drawn as a box the size of the template's bounds.
const kBoxesAbove = 100000;

let page = sessionStorage.getItem('zelkor-page') || '';
let panel = null;        // the description from /api/claim
let state = null;        // {values, disabled} by control id
let answered = false;
const view = makeView();

class Refusal extends Error {}

async function call(action, body = {}) {
  let response;
  try {
    response = await fetch('api/' + action, {
      method: 'POST',
      headers: { 'Content-Type': 'application/json', 'X-Zelkor-Page': page },
      body: JSON.stringify(body),
    });
  } catch {
    throw new Refusal('zelkor no longer serves this panel: its run has ended.');
  }
  const reply = await response.json().catch(() => ({ error: `zelkor answered ${response.status}` }));
  if (!response.ok) throw new Refusal(reply.error || `zelkor answered ${response.status}`);
  return reply;
}

function block(message) {
  $('app').hidden = true;
  $('blocked').hidden = false;
  $('blocked').textContent = message;
}

function notice(text) { $('notice').textContent = text || ''; }

function showMessages(messages, replace = false) {
  const list = $('messages');
  if (replace) list.replaceChildren();
  for (const m of messages || []) {
    const item = document.createElement('li');
    item.className = m.kind;
    item.textContent = m.line2 ? `${m.line1} ${m.line2}` : m.line1;
    list.append(item);
  }
}

// ---------------------------------------------------------------------------------------------
// Controls

const scale = (control) => control.class === 'angle' ? 180 / Math.PI : control.class === 'percent' ? 100 : 1;
const unit = (control) => control.class === 'angle' ? '°' : control.class === 'percent' ? '%' : '';
const shown = (control, value) => Number((value * scale(control)).toPrecision(7));

function controlRow(control) {
  const row = document.createElement('div');
  row.className = 'control';
  row.dataset.id = control.id;
  const id = `c${control.id}`;
  if (control.class === 'vButton') {
    row.classList.add('button');
    const button = document.createElement('button');
    button.type = 'button';
    button.id = id;
    button.textContent = control.label;
    button.addEventListener('click', () => press(control));
    row.append(button);
    return row;
  }
  const label = document.createElement('label');
  label.htmlFor = id;
  label.textContent = control.label;
  let input;
  if (control.class === 'iBoolean') {
    input = document.createElement('input');
    input.type = 'checkbox';
  } else if (control.class === 'iPopChoice') {
    input = document.createElement('select');
    (control.entries || ['none']).forEach((entry, index) => input.add(new Option(entry, index)));
  } else {
    input = document.createElement('input');
    input.type = 'number';
    input.step = control.class === 'integer' ? '1' : 'any';
  }
  input.id = id;
  input.addEventListener('change', () => edit(control, input));
  const units = document.createElement('span');
  units.className = 'unit';
  units.textContent = unit(control);
  row.append(label, input, units);
  // A greyed control is not operated: the enable rule's message says why.
  const refuse = (event) => {
    const message = state.disabled[control.id];
    if (!message) return;
    event.preventDefault();
    notice(message);
    input.blur();
  };
  row.addEventListener('mousedown', refuse);
  row.addEventListener('click', refuse);
  input.addEventListener('keydown', (event) => { if (event.key !== 'Tab') refuse(event); });
  return row;
}

function buildPanel() {
  $('title').textContent = panel.title;
  document.title = panel.title;
  const byId = new Map(panel.controls.map((c) => [c.id, c]));
  const groupById = new Map(panel.groups.map((g) => [g.id, g]));
  const inGroup = new Set(panel.groups.flatMap((g) => g.controls));
  const inTabs = new Set(panel.tabs.flatMap((t) => t.groups));
  const rows = (ids) => ids.filter((id) => byId.has(id)).flatMap((id) => {
    const control = byId.get(id);
    return control.divider ? [controlRow(control), document.createElement('hr')] : [controlRow(control)];
  });

  $('outside').replaceChildren(...rows(panel.controls.map((c) => c.id).filter((id) => !inGroup.has(id))));
  const tabs = $('tabs');
  tabs.replaceChildren();
  for (const set of panel.tabs) {
    const list = document.createElement('div');
    list.className = 'tablist';
    list.setAttribute('role', 'tablist');
    tabs.append(list);
    set.groups.filter((g) => groupById.has(g)).forEach((groupId, index) => {
      const group = groupById.get(groupId);
      const tab = document.createElement('button');
      tab.type = 'button';
      tab.setAttribute('role', 'tab');
      tab.id = `tab${groupId}`;
      tab.textContent = group.label;
      const page = document.createElement('div');
      page.setAttribute('role', 'tabpanel');
      page.setAttribute('aria-labelledby', tab.id);
      page.append(...rows(group.controls));
      page.hidden = index > 0;
      tab.setAttribute('aria-selected', String(index === 0));
      tab.addEventListener('click', () => {
        for (const other of list.children) other.setAttribute('aria-selected', String(other === tab));
        for (const other of tabs.querySelectorAll(`[role="tabpanel"][data-set="${set.id}"]`)) other.hidden = other !== page;
      });
      page.dataset.set = set.id;
      list.append(tab);
      tabs.append(page);
    });
  }
  // Groups that no tab set holds stand after the tabs.
  for (const group of panel.groups.filter((g) => !inTabs.has(g.id))) {
    const box = document.createElement('fieldset');
    const legend = document.createElement('legend');
    legend.textContent = group.label;
    box.append(legend, ...rows(group.controls));
    tabs.append(box);
  }
}

function showState(next) {
  state = next;
  for (const control of panel.controls) {
    const row = document.querySelector(`.control[data-id="${control.id}"]`);
    if (!row) continue;
    const message = state.disabled[control.id];
    row.classList.toggle('greyed', Boolean(message));
    row.title = message || '';
    const input = $(`c${control.id}`);
    const value = state.values[control.id];
    if (value === undefined || control.class === 'vButton') continue;
    if (control.class === 'iBoolean') input.checked = value !== 0;
    else if (control.class === 'iPopChoice') {
      if (value >= input.options.length) input.add(new Option(`(map ${value})`, value));
      input.value = String(value);
    } else input.value = String(shown(control, value));
    if (input.type === 'number') input.readOnly = Boolean(message);
  }
}

async function edit(control, input) {
  let value;
  if (control.class === 'iBoolean') value = input.checked ? 1 : 0;
  else if (control.class === 'iPopChoice') value = Number(input.value);
  else {
    value = Number(input.value) / scale(control);
    if (input.value.trim() === '' || !Number.isFinite(value)) {
      notice(`"${control.label}" takes a number`);
      showState(state);
      return;
    }
  }
  await act(() => call('set', { id: control.id, value }));
}

async function press(control) {
  if (state.disabled[control.id]) return notice(state.disabled[control.id]);
  await act(() => call('press', { id: control.id }));
}

// A change or a press: the panel service answers with the panel's state, and a refusal (an
// enable rule's message) when it did not take it.
async function act(request) {
  try {
    const reply = await request();
    notice(reply.refused);
    showMessages(reply.messages);
    showState(reply.state);
  } catch (error) {
    failed(error);
  }
}

function failed(error) {
  if (!(error instanceof Refusal)) throw error;
  notice(error.message);
  showState(state);
}

// ---------------------------------------------------------------------------------------------
// Answers

function answering(busy) {
  for (const id of ['preview', 'ok', 'cancel']) $(id).disabled = busy || answered;
}

async function preview() {
  answering(true);
  notice('');
  $('status').textContent = 'Previewing…';
  const started = performance.now();
  try {
    const reply = await call('preview');
    if (reply.refused) {
      notice(reply.refused);
      $('status').textContent = '';
    } else {
      showMessages(reply.messages, true);
      view.clones(reply.clones, false);
      const seconds = ((performance.now() - started) / 1000).toFixed(2);
      $('status').textContent = `Preview: ${reply.clones.count} clones in ${seconds} s; nothing written`;
      $('view-info').textContent = 'The clones OK would make, in the template\'s colour. Drag to orbit, right-drag to pan, wheel to zoom.';
    }
  } catch (error) {
    $('status').textContent = '';
    failed(error);
  }
  answering(false);
}

async function finish(action) {
  answering(true);
  notice('');
  $('status').textContent = action === 'ok' ? 'Running…' : '';
  try {
    const reply = await call(action);
    answered = true;
    closeEvents();
    showMessages(reply.messages || [], true);
    if (reply.refused) {
      answered = false;
      notice(reply.refused);
      $('status').textContent = '';
    } else if (action === 'cancel') {
      $('status').textContent = 'Cancelled; nothing was written.';
    } else if (reply.status === 'written') {
      $('status').textContent = reply.summary;
      if (reply.clones) view.clones(reply.clones, true);
      $('view-info').textContent = 'Each clone coloured by its "ZK_index": blue first, red last.';
    } else {
      $('status').textContent = 'The run ended without writing; the terminal says why.';
    }
  } catch (error) {
    $('status').textContent = '';
    failed(error);
  }
  answering(false);
  if (answered) for (const element of document.querySelectorAll('#panel input, #panel select, #panel button')) element.disabled = true;
}

let events = null;
function closeEvents() { if (events) events.close(); events = null; }

async function start() {
  let reply;
  try {
    reply = await call('claim');
  } catch (error) {
    return block(error.message);
  }
  page = reply.page;
  sessionStorage.setItem('zelkor-page', page);
  panel = reply.panel;
  // Held open while the page is shown: zelkor counts a page gone this long as Cancel.
  events = new EventSource(`api/events?page=${encodeURIComponent(page)}`);
  $('app').hidden = false;
  buildPanel();
  showState(panel.state);
  $('preview').addEventListener('click', preview);
  $('ok').addEventListener('click', () => finish('ok'));
  $('cancel').addEventListener('click', () => finish('cancel'));
  view.resize();
  try {
    view.scene(await call('scene'));
  } catch (error) {
    failed(error);
  }
}

// ---------------------------------------------------------------------------------------------
// The 3-D view

function floats(base64, Type = Float32Array) {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return new Type(bytes.buffer);
}

function meshGeometry(mesh) {
  const geometry = new THREE.BufferGeometry();
  geometry.setAttribute('position', new THREE.BufferAttribute(floats(mesh.positions), 3));
  geometry.setIndex(new THREE.BufferAttribute(floats(mesh.indices, Uint32Array), 1));
  geometry.computeVertexNormals();
  geometry.computeBoundingBox();
  return geometry;
}

function makeView() {
  const canvas = $('canvas');
  let renderer = null;
  try {
    renderer = new THREE.WebGLRenderer({ canvas, antialias: true, preserveDrawingBuffer: true });
  } catch {
    $('view-info').textContent = 'The 3-D view needs WebGL, which this browser does not offer.';
  }
  const scene = new THREE.Scene();
  scene.background = new THREE.Color(0xbfc8d0);
  scene.add(new THREE.HemisphereLight(0xffffff, 0x554433, 2.2));
  const sun = new THREE.DirectionalLight(0xffffff, 1.6);
  sun.position.set(1, 2, 1.5);
  scene.add(sun);
  const camera = new THREE.PerspectiveCamera(45, 1, 0.01, 1000);
  const controls = renderer ? new OrbitControls(camera, canvas) : null;  // orbit, pan, zoom
  const draw = () => { if (renderer) renderer.render(scene, camera); };
  if (controls) controls.addEventListener('change', draw);
  let templateGeometry = null;
  let clones = null;

  window.addEventListener('resize', () => view.resize());
  return {
    resize() {
      if (!renderer) return;
      const { clientWidth: w, clientHeight: h } = canvas;
      renderer.setSize(w, h, false);
      camera.aspect = w / Math.max(h, 1);
      camera.updateProjectionMatrix();
      draw();
    },
    scene(meshes) {
      const target = meshGeometry(meshes.target);
      scene.add(new THREE.Mesh(target, new THREE.MeshStandardMaterial({ color: 0x8d9a6a, side: THREE.DoubleSide })));
      templateGeometry = meshGeometry(meshes.template);
      // The template itself, beside the target.
      const box = target.boundingBox;
      const own = templateGeometry.boundingBox, ownSize = own.getSize(new THREE.Vector3());
      const sample = new THREE.Mesh(templateGeometry, new THREE.MeshStandardMaterial({ color: 0xb07a4a, flatShading: true }));
      sample.position.set(box.max.x + ownSize.x - own.min.x, box.max.y - own.min.y, box.getCenter(new THREE.Vector3()).z);
      scene.add(sample);
      $('view-info').textContent = 'The target, and the template beside it. Drag to orbit, right-drag to pan, wheel to zoom.';
      const both = box.clone().union(own.clone().translate(sample.position));
      const centre = both.getCenter(new THREE.Vector3()), radius = Math.max(both.getSize(new THREE.Vector3()).length() / 2, 1e-6);
      camera.near = radius / 100;
      camera.far = radius * 100;
      camera.position.copy(centre).add(new THREE.Vector3(0.9, 0.8, 1.2).multiplyScalar(radius * 1.3));
      camera.updateProjectionMatrix();
      if (controls) { controls.target.copy(centre); controls.update(); }
      draw();
    },
    // Clones as instances of the template, or of its bounds above kBoxesAbove; coloured by
    // "ZK_index" when asked.
    clones(data, byIndex) {
      if (clones) { scene.remove(clones); clones.dispose(); clones = null; }
      if (!templateGeometry || data.count === 0) return draw();
      const rows = floats(data.transforms);
      let geometry = templateGeometry;
      if (data.count > kBoxesAbove) {
        const bounds = templateGeometry.boundingBox, size = bounds.getSize(new THREE.Vector3());
        const centre = bounds.getCenter(new THREE.Vector3());
        geometry = new THREE.BoxGeometry(size.x, size.y, size.z).translate(centre.x, centre.y, centre.z);
      }
      // Lambert shading: a software-rendered frame of 10,000 instances takes a third less time.
      clones = new THREE.InstancedMesh(geometry, new THREE.MeshLambertMaterial({ color: byIndex ? 0xffffff : 0xb07a4a, flatShading: true }), data.count);
      const m = new THREE.Matrix4(), colour = new THREE.Color();
      const index = byIndex && data.index ? floats(data.index) : null;
      for (let k = 0; k < data.count; ++k) {
        const r = rows.subarray(12 * k, 12 * k + 12);
        m.set(r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11], 0, 0, 0, 1);
        clones.setMatrixAt(k, m);
        if (index) clones.setColorAt(k, colour.setHSL((1 - index[k]) * 0.66, 0.85, 0.5));
      }
      clones.instanceMatrix.needsUpdate = true;
      clones.computeBoundingSphere();
      scene.add(clones);
      draw();
    },
  };
}

start();
