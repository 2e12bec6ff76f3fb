// The viewer page: markup, style and script, with four places that the
// page writer fills (the drawing with its legend texts, the two themes'
// colours, the named views and the axes). The script is plain canvas
// drawing: the segments of each colour are joined into polylines once, and
// a redraw projects every point and strokes one path per colour, then
// draws the axes, their ticks and names and the start and end markers as
// text and marks at projected points, facing the screen in every view.
#include "vis/view_page.hpp"

namespace quorl::detail {

extern const std::string_view kViewPageTemplate;

const std::string_view kViewPageTemplate = R"QVIEW(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Quorl 3D view</title>
<style>
html, body { margin: 0; height: 100%; overflow: hidden; background: #000; color: #ddd;
  font: 13px/1.4 sans-serif; }
html.light, html.light body { background: #fff; color: #111; }
canvas { position: fixed; left: 0; top: 0; width: 100%; height: 100%; cursor: grab; touch-action: none; }
canvas.dragging { cursor: grabbing; }
.panel { position: fixed; top: 8px; padding: 6px 8px; background: rgba(24, 24, 24, 0.85);
  border: 1px solid #444; border-radius: 4px; }
#bar { left: 8px; }
#legend { right: 8px; max-width: 26em; }
#legend td:first-child { white-space: nowrap; }
#bar button { font: inherit; color: #eee; background: #333; border: 1px solid #666; border-radius: 3px;
  padding: 2px 8px; margin-right: 2px; cursor: pointer; }
#bar button.on { background: #555; border-color: #aaa; }
#bar label { margin-left: 8px; }
.hint { display: block; color: #999; font-size: 12px; margin-top: 4px; }
#legend table { border-collapse: collapse; }
#legend td { padding: 1px 4px; vertical-align: top; }
.swatch { display: inline-block; width: 18px; height: 4px; vertical-align: middle; }
.dot { display: inline-block; width: 10px; height: 10px; border-radius: 50%; vertical-align: middle; margin: 0 4px; }
#legend .count { text-align: right; color: #999; }
#legend tr.hidden td { opacity: 0.4; }
#legend tr { cursor: pointer; }
#axes { margin-top: 6px; }
#axes div { padding: 1px 4px; }
#axes b { display: inline-block; min-width: 3.2em; }
html.light .panel { background: rgba(255, 255, 255, 0.9); border-color: #bbb; }
html.light #bar button { color: #111; background: #eee; border-color: #999; }
html.light #bar button.on { background: #ccc; border-color: #555; }
html.light .hint, html.light #legend .count { color: #555; }
@media print {
  html, body { background: #fff; color: #111; }
  #bar { display: none; }
  .panel { background: #fff; border-color: #bbb; }
  #legend .count { color: #555; }
}
</style>
</head>
<body>
<canvas id="view"></canvas>
<div id="bar" class="panel"><span id="views"></span><button id="theme" title="switch between the dark (screen) and the light (print) theme">Light</button><label><input type="checkbox" id="zup"> +z up</label>
<span class="hint">drag: rotate &middot; shift-drag: move &middot; wheel: zoom &middot; -z is up unless flipped &middot; click a legend row to hide it</span></div>
<div id="legend" class="panel"></div>
<noscript><p style="position:fixed;top:40%;width:100%;text-align:center">This page draws with a script; please allow it.</p></noscript>
<script>
"use strict";
(function () {
  const DRAWING = /*DRAWING*/;
  const THEMES = /*THEMES*/;
  const VIEWS = /*VIEWS*/;
  const AXES = /*AXES*/;

  // The points: little-endian floats x, y, z per point; one hex digit of
  // colour code per point.
  const n = DRAWING.count;
  const bin = atob(DRAWING.xyz);
  const bytes = new Uint8Array(bin.length);
  for (let i = 0; i < bin.length; i++) bytes[i] = bin.charCodeAt(i);
  const data = new DataView(bytes.buffer);
  const P = new Float64Array(3 * n);
  for (let i = 0; i < 3 * n; i++) P[i] = data.getFloat32(4 * i, true);
  const code = new Uint8Array(n);
  for (let i = 0; i < n; i++) code[i] = parseInt(DRAWING.codes[i], 16);

  // A segment ends at point i when its code is 1..15 and both ends are
  // finite; consecutive segments of one colour form one polyline.
  const finite = (i) => isFinite(P[3 * i]) && isFinite(P[3 * i + 1]) && isFinite(P[3 * i + 2]);
  const runs = [];
  const segments = new Array(16).fill(0);
  for (let c = 0; c < 16; c++) runs.push([]);
  const lo = [Infinity, Infinity, Infinity], hi = [-Infinity, -Infinity, -Infinity];
  for (let i = 1; i < n; i++) {
    const c = code[i];
    if (c < 1 || c > 15 || !finite(i) || !finite(i - 1)) continue;
    segments[c]++;
    const list = runs[c];
    if (list.length && list[list.length - 1] === i - 1) list[list.length - 1] = i;
    else list.push(i - 1, i);
    for (const j of [i - 1, i]) {
      for (let k = 0; k < 3; k++) {
        lo[k] = Math.min(lo[k], P[3 * j + k]);
        hi[k] = Math.max(hi[k], P[3 * j + k]);
      }
    }
  }
  const centre = [0, 0, 0];
  let radius = 1;
  if (lo[0] <= hi[0]) {
    let d2 = 0;
    for (let k = 0; k < 3; k++) {
      centre[k] = (lo[k] + hi[k]) / 2;
      d2 += (hi[k] - lo[k]) * (hi[k] - lo[k]);
    }
    const r = Math.sqrt(d2) / 2;
    radius = r > 0 && isFinite(r) ? r : 1;
  }

  const canvas = document.getElementById("view");
  const ctx = canvas.getContext("2d");
  const X = new Float64Array(n), Y = new Float64Array(n);
  const state = { azimuth: VIEWS[0].azimuth, elevation: VIEWS[0].elevation, zUp: false, zoom: 1, panX: 0, panY: 0,
    theme: "dark" };
  // Codes the drawing hides at first: strokes that repeat what the page
  // draws itself (stroke tick values and names); a legend click shows them.
  const hidden = new Array(16).fill(false).map((h, c) => !!(DRAWING.hidden && DRAWING.hidden[c]));
  let printing = false;
  const api = { ready: false, loadMs: 0, drawMs: 0, state: state, labels: [] };
  const themeOf = () => THEMES[printing ? "light" : state.theme];

  // The part of the window the picture is fitted to: left of the legend
  // when the window is wide enough to spare it (as the SVG's legend
  // column), so that the legend does not cover the drawing; else all of it.
  function frame() {
    const W = canvas.clientWidth, H = canvas.clientHeight;
    const box = document.getElementById("legend");
    const reserve = box && box.offsetWidth ? box.offsetWidth + 16 : 0;
    const w = reserve && W - reserve >= 0.55 * W ? W - reserve : W;
    return { cx: w / 2, cy: H / 2, side: Math.min(w, H) };
  }

  // Orthographic camera: -z up, azimuth about the vertical, elevation
  // looking down; zUp mirrors the drawing in z.
  function draw() {
    const t0 = performance.now();
    const dpr = window.devicePixelRatio || 1;
    const W = canvas.clientWidth, H = canvas.clientHeight;
    if (canvas.width !== Math.round(W * dpr) || canvas.height !== Math.round(H * dpr)) {
      canvas.width = Math.round(W * dpr);
      canvas.height = Math.round(H * dpr);
    }
    ctx.setTransform(dpr, 0, 0, dpr, 0, 0);
    const theme = themeOf();
    ctx.fillStyle = theme.palette[0];
    ctx.fillRect(0, 0, W, H);
    const a = state.azimuth * Math.PI / 180, e = state.elevation * Math.PI / 180;
    const r = [-Math.sin(a), Math.cos(a), 0];
    const u = [Math.sin(e) * Math.cos(a), Math.sin(e) * Math.sin(a), -Math.cos(e)];
    if (state.zUp) { r[2] = -r[2]; u[2] = -u[2]; }
    const f = frame();
    const s = state.zoom * 0.45 * f.side / radius;
    const ox = f.cx + state.panX - s * (centre[0] * r[0] + centre[1] * r[1] + centre[2] * r[2]);
    const oy = f.cy + state.panY + s * (centre[0] * u[0] + centre[1] * u[1] + centre[2] * u[2]);
    for (let i = 0, j = 0; i < n; i++, j += 3) {
      const x = P[j], y = P[j + 1], z = P[j + 2];
      X[i] = ox + s * (x * r[0] + y * r[1] + z * r[2]);
      Y[i] = oy - s * (x * u[0] + y * u[1] + z * u[2]);
    }
    ctx.lineWidth = 1;
    ctx.lineJoin = "round";
    ctx.lineCap = "round";
    for (let c = 1; c < 16; c++) {
      const list = runs[c];
      if (!list.length || hidden[c]) continue;
      ctx.strokeStyle = theme.palette[c];
      ctx.beginPath();
      for (let k = 0; k < list.length; k += 2) {
        ctx.moveTo(X[list[k]], Y[list[k]]);
        for (let i = list[k] + 1; i <= list[k + 1]; i++) ctx.lineTo(X[i], Y[i]);
      }
      ctx.stroke();
    }
    const at = (x, y, z) => [ox + s * (x * r[0] + y * r[1] + z * r[2]), oy - s * (x * u[0] + y * u[1] + z * u[2])];
    api.labels = [];
    drawAxes(at, theme);
    api.drawMs = performance.now() - t0;
    return api.drawMs;
  }


  // Ticks at whole multiples of 1, 2 or 5 times a power of ten, about five
  // over the span; their labels carry the step's decimals, or an exponent
  // for a step of 1e6 or more or values below 1e-3 (vis/view_ticks.cpp
  // computes the same for the SVG picture).
  const pow10 = (e) => { let p = 1; for (let k = 0; k < Math.abs(e); k++) p *= 10; return e < 0 ? 1 / p : p; };
  function ticks(lo, hi) {
    if (lo > hi) [lo, hi] = [hi, lo];
    const span = hi - lo, out = [];
    if (!isFinite(span) || !(span > 0)) return out;
    const raw = span / 5, e = Math.floor(Math.log10(raw));
    if (e < -300 || e > 300) return out;
    const p = pow10(e), m = raw / p;
    const step = (m < 1.5 ? 1 : m < 3.5 ? 2 : m < 7.5 ? 5 : 10) * p;
    const first = Math.ceil(lo / step - 1e-9), last = Math.floor(hi / step + 1e-9);
    const biggest = Math.max(Math.abs(lo), Math.abs(hi));
    const exponent = step >= 1e6 || biggest < 1e-3;
    const lstep = Math.floor(Math.log10(step) + 1e-9);
    const decimals = Math.min(17, Math.max(0, -lstep)), mantissa = Math.min(17, Math.max(0, Math.floor(Math.log10(biggest)) - lstep));
    for (let i = first; i <= last && out.length < 30; i++) {
      const v = i === 0 ? 0 : i * step;
      out.push({ value: v, label: exponent && v !== 0 ? v.toExponential(mantissa) : v.toFixed(exponent ? 0 : decimals) });
    }
    return out;
  }
  // A value in six significant digits, without trailing zeros.
  function valueText(v) {
    if (!isFinite(v)) return String(v);
    if (v === 0) return "0";
    const e = Math.floor(Math.log10(Math.abs(v)));
    let t = e < -4 || e >= 6 ? v.toExponential(5) : v.toFixed(Math.max(0, 5 - e));
    const parts = t.split("e");
    if (parts[0].includes(".")) parts[0] = parts[0].replace(/0+$/, "").replace(/\.$/, "");
    return parts.join("e");
  }
  function axisValue(a, c) { return a.origin + a.scale * c; }
  function pointText(p) {
    const parts = [];
    if (AXES.x) parts.push(AXES.x.name + " = " + valueText(axisValue(AXES.x, p[0])));
    if (AXES.y) parts.push(AXES.y.name + " = " + valueText(axisValue(AXES.y, p[1])));
    return parts.join(", ");
  }

  // Text that faces the screen, with a halo of the background's colour so
  // that it reads over the lines.
  function label(text, x, y, align, baseline, theme, bold) {
    ctx.font = (bold ? "bold 13px" : "12px") + " sans-serif";
    ctx.textAlign = align;
    ctx.textBaseline = baseline;
    ctx.lineWidth = 3;
    ctx.strokeStyle = theme.palette[0];
    ctx.strokeText(text, x, y);
    ctx.fillStyle = theme.ink.text;
    ctx.fillText(text, x, y);
    api.labels.push(text);
  }
  // Alignment of a text placed in direction (nx, ny) from its anchor.
  function alignFor(nx, ny) {
    return [nx > 0.5 ? "left" : nx < -0.5 ? "right" : "center", ny > 0.5 ? "top" : ny < -0.5 ? "bottom" : "middle"];
  }

  // One axis: a line from `from` to `to` (drawing coordinates, `at3`
  // giving the 3D point of a coordinate), ticks with their values, the
  // name beyond them; left out when it is seen end-on.
  function drawAxis(a, from, to, at3, centre, project, theme) {
    if (!a) return;
    const A = project(...at3(from)), B = project(...at3(to));
    const len = Math.hypot(B[0] - A[0], B[1] - A[1]);
    if (!(len >= 40)) return;
    const dx = (B[0] - A[0]) / len, dy = (B[1] - A[1]) / len;
    // Outward: across the axis on the screen, away from the plane's centre
    // (downward when the centre lies on the axis's line).
    let nx = -dy, ny = dx;
    const M = project(...at3((from + to) / 2));
    const away = (M[0] - centre[0]) * nx + (M[1] - centre[1]) * ny;
    if (Math.abs(away) > 3 ? away < 0 : ny < 0) { nx = -nx; ny = -ny; }
    ctx.strokeStyle = theme.ink.axis;
    ctx.lineWidth = 1;
    ctx.beginPath();
    ctx.moveTo(A[0], A[1]);
    ctx.lineTo(B[0], B[1]);
    const list = ticks(axisValue(a, from), axisValue(a, to));
    const placed = list.map((t) => project(...at3((t.value - a.origin) / a.scale)));
    for (const P of placed) {
      ctx.moveTo(P[0], P[1]);
      ctx.lineTo(P[0] + 5 * nx, P[1] + 5 * ny);
    }
    ctx.stroke();
    ctx.font = "12px sans-serif";
    let widest = 0;
    for (const t of list) widest = Math.max(widest, ctx.measureText(t.label).width);
    // Every k-th label, so that neighbours do not overlap along the axis.
    const gap = list.length > 1 ? len * Math.abs(list[1].value - list[0].value) / Math.abs(axisValue(a, to) - axisValue(a, from)) : len;
    const need = widest * Math.abs(dx) + 14 * Math.abs(dy) + 8;
    const every = Math.max(1, Math.ceil(need / Math.max(gap, 1e-9)));
    const [align, baseline] = alignFor(nx, ny);
    list.forEach((t, k) => {
      if (k % every === 0) label(t.label, placed[k][0] + 8 * nx, placed[k][1] + 8 * ny, align, baseline, theme, false);
    });
    const depth = 14 + widest * Math.abs(nx) + 14 * Math.abs(ny);
    label(a.name, M[0] + depth * nx, M[1] + depth * ny, align, baseline, theme, true);
  }

  function marker(p, colour, text, project, theme) {
    if (!p) return;
    const [x, y] = project(p[0], p[1], p[2]);
    ctx.beginPath();
    ctx.arc(x, y, 5, 0, 2 * Math.PI);
    ctx.fillStyle = colour;
    ctx.fill();
    ctx.lineWidth = 1.5;
    ctx.strokeStyle = theme.palette[0];
    ctx.stroke();
    label(text, x + 9, y, "left", "middle", theme, false);
  }

  // The axes of the parameter plane at height 0 (within the drawing's
  // heights), x along its low-y edge and y along its low-x edge, and the
  // markers of the path's start and end.
  function drawAxes(project, theme) {
    if (!AXES) return;
    const plane = AXES.plane || (lo[0] <= hi[0] ? [lo[0], hi[0], lo[1], hi[1]] : null);
    if (plane) {
      const z0 = lo[2] <= hi[2] ? Math.min(Math.max(0, lo[2]), hi[2]) : 0;
      const centre = project((plane[0] + plane[1]) / 2, (plane[2] + plane[3]) / 2, z0);
      drawAxis(AXES.x, plane[0], plane[1], (c) => [c, plane[2], z0], centre, project, theme);
      drawAxis(AXES.y, plane[2], plane[3], (c) => [plane[0], c, z0], centre, project, theme);
    }
    marker(AXES.start, theme.ink.start, "start: " + (AXES.start ? pointText(AXES.start) : ""), project, theme);
    marker(AXES.end, theme.ink.end, "end: " + (AXES.end ? pointText(AXES.end) : ""), project, theme);
  }

  let pending = false;
  function redraw() {
    if (pending) return;
    pending = true;
    requestAnimationFrame(() => { pending = false; draw(); markView(); });
  }

  function setView(name) {
    const v = VIEWS.find((w) => w.name === name);
    if (!v) return false;
    state.azimuth = v.azimuth;
    state.elevation = v.elevation;
    state.zoom = 1;
    state.panX = state.panY = 0;
    redraw();
    return true;
  }
  function rotate(dAzimuth, dElevation) {
    state.azimuth = ((state.azimuth + dAzimuth) % 360 + 540) % 360 - 180;
    state.elevation = Math.max(-90, Math.min(90, state.elevation + dElevation));
    redraw();
  }
  function zoomAt(factor, mx, my) {
    const k = Math.max(0.05, Math.min(200, state.zoom * factor)) / state.zoom;
    const { cx, cy } = frame();
    state.panX = mx - cx - k * (mx - cx - state.panX);
    state.panY = my - cy - k * (my - cy - state.panY);
    state.zoom *= k;
    redraw();
  }
  function setZUp(on) {
    state.zUp = !!on;
    document.getElementById("zup").checked = state.zUp;
    redraw();
  }

  // The controls: one button per named view, the flip, the legend.
  const views = document.getElementById("views");
  for (const v of VIEWS) {
    const b = document.createElement("button");
    b.textContent = v.label;
    b.dataset.view = v.name;
    b.addEventListener("click", () => setView(v.name));
    views.appendChild(b);
  }
  function markView() {
    for (const b of views.children) {
      const v = VIEWS.find((w) => w.name === b.dataset.view);
      b.classList.toggle("on", v.azimuth === state.azimuth && v.elevation === state.elevation);
    }
  }
  document.getElementById("zup").addEventListener("change", (ev) => setZUp(ev.target.checked));

  // The legend: each colour code used, its segments and what it draws (as
  // the drawing says, else as in the sample picture; a click hides or shows
  // the code), then the axes.
  const legend = document.getElementById("legend");
  function fillLegend() {
    const theme = themeOf();
    legend.textContent = "";
    const table = document.createElement("table");
    const head = table.insertRow();
    head.insertCell().textContent = "code";
    head.insertCell().textContent = "segments";
    head.insertCell().textContent = DRAWING.own ? "what it draws" : "in the sample picture";
    for (let c = 1; c < 16; c++) {
      if (!segments[c]) continue;
      const row = table.insertRow();
      row.dataset.code = c;
      row.classList.toggle("hidden", hidden[c]);
      row.title = "click to hide or show code " + c;
      row.addEventListener("click", () => { hidden[c] = !hidden[c]; fillLegend(); redraw(); });
      const sw = document.createElement("span");
      sw.className = "swatch";
      sw.style.background = theme.palette[c];
      const cell = row.insertCell();
      cell.appendChild(sw);
      cell.appendChild(document.createTextNode(" " + c));
      const count = row.insertCell();
      count.className = "count";
      count.textContent = segments[c];
      row.insertCell().textContent = DRAWING.uses[c] || "";
    }
    if (table.rows.length === 1) legend.textContent = "Nothing to draw (" + n + " points).";
    else legend.appendChild(table);
    if (!AXES) return;
    const axes = document.createElement("div");
    axes.id = "axes";
    const line = (dot, key, text) => {
      const d = document.createElement("div");
      if (dot) {
        const m = document.createElement("span");
        m.className = "dot";
        m.style.background = dot;
        d.appendChild(m);
      }
      const b = document.createElement("b");
      b.textContent = key;
      d.appendChild(b);
      d.appendChild(document.createTextNode(" " + text));
      axes.appendChild(d);
    };
    const axisText = (a, k) => a.name + (a.origin === 0 && a.scale === 1 ? "" :
      " (value = " + valueText(a.origin) + " + " + valueText(a.scale) + " \u00d7 " + k + ")");
    if (AXES.x) line(null, "x", axisText(AXES.x, "x"));
    if (AXES.y) line(null, "y", axisText(AXES.y, "y"));
    if (AXES.z) line(null, "height", AXES.z);
    if (AXES.start) line(theme.ink.start, "start", pointText(AXES.start) + " (the start values)");
    if (AXES.end) line(theme.ink.end, "end", pointText(AXES.end) + " (the result)");
    legend.appendChild(axes);
  }
  fillLegend();

  // The themes: dark on screen, light for print (and while printing).
  const themeButton = document.getElementById("theme");
  function setTheme(name) {
    if (!THEMES[name]) return false;
    state.theme = name;
    document.documentElement.classList.toggle("light", name === "light");
    themeButton.textContent = name === "light" ? "Dark" : "Light";
    fillLegend();
    redraw();
    return true;
  }
  themeButton.addEventListener("click", () => setTheme(state.theme === "light" ? "dark" : "light"));
  const printMode = (on) => { if (printing !== on) { printing = on; fillLegend(); draw(); } };
  window.addEventListener("beforeprint", () => printMode(true));
  window.addEventListener("afterprint", () => printMode(false));
  if (window.matchMedia) {
    const media = window.matchMedia("print");
    if (media.addEventListener) media.addEventListener("change", (ev) => printMode(ev.matches));
  }

  // Drag rotates (with shift, or the right button, it moves); the wheel
  // zooms about the pointer; arrow keys rotate, + and - zoom.
  let drag = null;
  canvas.addEventListener("pointerdown", (ev) => {
    drag = { x: ev.clientX, y: ev.clientY, move: ev.shiftKey || ev.button === 2 };
    canvas.setPointerCapture(ev.pointerId);
    canvas.classList.add("dragging");
  });
  canvas.addEventListener("pointermove", (ev) => {
    if (!drag) return;
    const dx = ev.clientX - drag.x, dy = ev.clientY - drag.y;
    drag.x = ev.clientX;
    drag.y = ev.clientY;
    if (drag.move) {
      state.panX += dx;
      state.panY += dy;
      redraw();
    } else {
      rotate(0.4 * dx, 0.4 * dy);
    }
  });
  const endDrag = () => { drag = null; canvas.classList.remove("dragging"); };
  canvas.addEventListener("pointerup", endDrag);
  canvas.addEventListener("pointercancel", endDrag);
  canvas.addEventListener("contextmenu", (ev) => ev.preventDefault());
  canvas.addEventListener("wheel", (ev) => {
    ev.preventDefault();
    const unit = ev.deltaMode === 1 ? 16 : ev.deltaMode === 2 ? 400 : 1;
    zoomAt(Math.exp(-0.0015 * unit * ev.deltaY), ev.clientX, ev.clientY);
  }, { passive: false });
  window.addEventListener("keydown", (ev) => {
    const steps = { ArrowLeft: [-5, 0], ArrowRight: [5, 0], ArrowUp: [0, -5], ArrowDown: [0, 5] };
    if (steps[ev.key]) rotate(steps[ev.key][0], steps[ev.key][1]);
    else if (ev.key === "+" || ev.key === "=") zoomAt(1.25, frame().cx, frame().cy);
    else if (ev.key === "-") zoomAt(0.8, frame().cx, frame().cy);
    else return;
    ev.preventDefault();
  });
  window.addEventListener("resize", redraw);

  // The address may name the first view and the theme: #view=top, #zup,
  // #light.
  for (const part of location.hash.replace(/^#/, "").split("&")) {
    const [key, value] = part.split("=");
    if (key === "view") setView(value);
    if (key === "zup") state.zUp = value !== "0";
    if (key === "light" && value !== "0") setTheme("light");
  }
  document.getElementById("zup").checked = state.zUp;

  Object.assign(api, { draw: draw, setView: setView, rotate: rotate, zoomAt: zoomAt, setZUp: setZUp,
    setTheme: setTheme, ticks: ticks, hidden: hidden, segments: segments, points: n });
  window.quorlView = api;
  draw();
  markView();
  api.loadMs = performance.now();
  api.ready = true;
})();
</script>
</body>
</html>
)QVIEW";

}  // namespace quorl::detail
