// The viewer page: markup, style and script, with four places that the
// page writer fills (the drawing, the palette, the legend texts and the
// named views). The script is plain canvas drawing: the segments of each
// colour are joined into polylines once, and a redraw projects every point
// and strokes one path per colour.
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
#legend .count { text-align: right; color: #999; }
</style>
</head>
<body>
<canvas id="view"></canvas>
<div id="bar" class="panel"><span id="views"></span><label><input type="checkbox" id="zup"> +z up</label>
<span class="hint">drag: rotate &middot; shift-drag: move &middot; wheel: zoom &middot; -z is up unless flipped</span></div>
<div id="legend" class="panel"></div>
<noscript><p style="position:fixed;top:40%;width:100%;text-align:center">This page draws with a script; please allow it.</p></noscript>
<script>
"use strict";
(function () {
  const DRAWING = /*DRAWING*/;
  const PALETTE = /*PALETTE*/;
  const VIEWS = /*VIEWS*/;

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
  const state = { azimuth: VIEWS[0].azimuth, elevation: VIEWS[0].elevation, zUp: false, zoom: 1, panX: 0, panY: 0 };
  const api = { ready: false, loadMs: 0, drawMs: 0, state: state };

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
    ctx.fillStyle = PALETTE[0];
    ctx.fillRect(0, 0, W, H);
    const a = state.azimuth * Math.PI / 180, e = state.elevation * Math.PI / 180;
    const r = [-Math.sin(a), Math.cos(a), 0];
    const u = [Math.sin(e) * Math.cos(a), Math.sin(e) * Math.sin(a), -Math.cos(e)];
    if (state.zUp) { r[2] = -r[2]; u[2] = -u[2]; }
    const s = state.zoom * 0.45 * Math.min(W, H) / radius;
    const ox = W / 2 + state.panX - s * (centre[0] * r[0] + centre[1] * r[1] + centre[2] * r[2]);
    const oy = H / 2 + state.panY + s * (centre[0] * u[0] + centre[1] * u[1] + centre[2] * u[2]);
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
      if (!list.length) continue;
      ctx.strokeStyle = PALETTE[c];
      ctx.beginPath();
      for (let k = 0; k < list.length; k += 2) {
        ctx.moveTo(X[list[k]], Y[list[k]]);
        for (let i = list[k] + 1; i <= list[k + 1]; i++) ctx.lineTo(X[i], Y[i]);
      }
      ctx.stroke();
    }
    api.drawMs = performance.now() - t0;
    return api.drawMs;
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
    const cx = canvas.clientWidth / 2, cy = canvas.clientHeight / 2;
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

  const legend = document.getElementById("legend");
  const table = document.createElement("table");
  const head = table.insertRow();
  head.insertCell().textContent = "code";
  head.insertCell().textContent = "segments";
  head.insertCell().textContent = "in the sample picture";
  for (let c = 1; c < 16; c++) {
    if (!segments[c]) continue;
    const row = table.insertRow();
    const sw = document.createElement("span");
    sw.className = "swatch";
    sw.style.background = PALETTE[c];
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
    else if (ev.key === "+" || ev.key === "=") zoomAt(1.25, canvas.clientWidth / 2, canvas.clientHeight / 2);
    else if (ev.key === "-") zoomAt(0.8, canvas.clientWidth / 2, canvas.clientHeight / 2);
    else return;
    ev.preventDefault();
  });
  window.addEventListener("resize", redraw);

  // The address may name the first view: #view=top, #zup.
  for (const part of location.hash.replace(/^#/, "").split("&")) {
    const [key, value] = part.split("=");
    if (key === "view") setView(value);
    if (key === "zup") state.zUp = value !== "0";
  }
  document.getElementById("zup").checked = state.zUp;

  Object.assign(api, { draw: draw, setView: setView, rotate: rotate, zoomAt: zoomAt, setZUp: setZUp,
    segments: segments, points: n });
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
