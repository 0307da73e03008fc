// live_page.cpp - the live page: it draws every board as SVG from /events, where each event is
// the whole state (live_state.h), so a page that connects again is in step with its first event.
#include "live_page.h"

namespace kvnlink {

namespace {

const char *const page = R"page(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>kvnlink live</title>
<style>
body { font: 15px/1.4 sans-serif; margin: 1em; background: #f4f1ea; color: #222; }
header { display: flex; flex-wrap: wrap; gap: 1em; align-items: baseline; }
h1 { font-size: 1.3em; margin: 0; }
#link { padding: 0 .5em; border-radius: .3em; background: #c33; color: #fff; }
#link.live { background: #393; }
#match { margin: .8em 0; padding: .5em .8em; background: #fff; border: 1px solid #ccc; }
#match p { margin: .2em 0; }
#boards { display: flex; flex-wrap: wrap; gap: 1.2em; }
.game { background: #fff; border: 1px solid #ccc; padding: .6em; width: 420px; }
.game h2 { font-size: 1em; margin: 0 0 .3em; }
.players { display: flex; justify-content: space-between; font-weight: bold; }
.players .to-move::before { content: "\25B6  "; }
.clock { font-family: monospace; font-weight: normal; }
svg { width: 400px; height: 400px; display: block; margin: .3em 0; }
.light { fill: #f0d9b5; } .dark { fill: #8b5a2b; } .dark.last { fill: #c9a227; }
.piece.white { fill: #fdfdf5; stroke: #333; } .piece.black { fill: #222; stroke: #ccc; }
.crown { fill: #d4a017; stroke: #6b4e00; stroke-width: 1; }
.number { font-size: 8px; fill: #e8d4b0; }
.moves { font-family: monospace; max-height: 9em; overflow-y: auto; margin: .3em 0; padding-left: 2.5em; }
.verdicts { color: #a00; margin: .3em 0; padding-left: 1.2em; }
.result { font-weight: bold; }
</style>
</head>
<body>
<header>
<h1 id="title">kvnlink live</h1>
<span id="link">connecting</span>
<label>Board seen from <select id="side"><option value="W">White</option><option value="Z">Black</option></select></label>
</header>
<section id="match" hidden></section>
<main id="boards"></main>
<script>
"use strict";
const SVG = "http://www.w3.org/2000/svg";
let state = null;

function el(tag, attrs, ...children) {
  const e = tag.startsWith("svg:") ? document.createElementNS(SVG, tag.slice(4)) : document.createElement(tag);
  for (const [k, v] of Object.entries(attrs || {})) e.setAttribute(k, v);
  for (const c of children) e.append(c);
  return e;
}

// Square n (1-50) as row and column from White's side; turned for Black.
function place(n, side) {
  const row = Math.floor((n - 1) / 5), col = 2 * ((n - 1) % 5) + (row % 2 === 0 ? 1 : 0);
  return side === "Z" ? [9 - row, 9 - col] : [row, col];
}

function crown(x, y) {
  const p = [[-9, 4], [-9, -5], [-4.5, -1], [0, -8], [4.5, -1], [9, -5], [9, 4]].map(([a, b]) => (x + a) + "," + (y + b));
  return el("svg:polygon", {class: "crown", points: p.join(" ")});
}

function drawBoard(b, side) {
  const svg = el("svg:svg", {viewBox: "0 0 400 400", class: "board", "data-board": b.board});
  for (let r = 0; r < 10; r++)
    for (let c = 0; c < 10; c++)
      if ((r + c) % 2 === 0) svg.append(el("svg:rect", {x: c * 40, y: r * 40, width: 40, height: 40, class: "light"}));
  const last = b.last || [];
  for (let n = 1; n <= 50; n++) {
    const [r, c] = place(n, side), x = c * 40, y = r * 40;
    const cls = "dark square" + (last.includes(n) ? " last" : "");
    svg.append(el("svg:rect", {x: x, y: y, width: 40, height: 40, class: cls, "data-square": n}));
    svg.append(el("svg:text", {x: x + 1.5, y: y + 8, class: "number"}, String(n)));
    const letter = (b.squares || "")[n - 1];
    if (!letter || letter === "e") continue;
    const colour = letter.toLowerCase() === "w" ? "white" : "black";
    const king = letter === "W" || letter === "Z";
    const g = el("svg:g", {class: "piece " + colour + (king ? " king" : " man"), "data-square": n});
    g.append(el("svg:circle", {cx: x + 21, cy: y + 21, r: 14, "stroke-width": 2}));
    if (king) g.append(crown(x + 21, y + 22));
    svg.append(g);
  }
  return svg;
}

function clockText(ms) {
  if (ms < 0) return "";
  const s = Math.floor(ms / 1000);
  return Math.floor(s / 60) + ":" + String(s % 60).padStart(2, "0") + "." + Math.floor((ms % 1000) / 100);
}

function moveList(b) {
  const ol = el("ol", {class: "moves"});
  let li = null, i = 0;
  if (b.first_to_move === "Z" && b.moves.length) { li = el("li", {}, "... " + b.moves[0]); ol.append(li); i = 1; li = null; }
  for (; i < b.moves.length; i++) {
    if (!li) { li = el("li", {}, b.moves[i]); ol.append(li); } else { li.append(" " + b.moves[i]); li = null; }
  }
  return ol;
}

function drawGame(b, side) {
  const art = el("article", {class: "game", "data-board": b.board});
  art.append(el("h2", {}, (b.heading || "board " + b.board)));
  if (b.status === "waiting") { art.append(el("p", {}, "waiting for a game")); return art; }
  const player = (name, letter, ms) => {
    const d = el("div", {class: letter === b.to_move && b.status === "playing" ? "to-move" : ""}, name + " ");
    if (b.clocks) d.append(el("span", {class: "clock"}, clockText(ms)));
    return d;
  };
  const top = side === "Z" ? ["W", b.white, b.white_ms] : ["Z", b.black, b.black_ms];
  const bottom = side === "Z" ? ["Z", b.black, b.black_ms] : ["W", b.white, b.white_ms];
  art.append(el("div", {class: "players"}, player(top[1], top[0], top[2])));
  art.append(drawBoard(b, side));
  art.append(el("div", {class: "players"}, player(bottom[1], bottom[0], bottom[2])));
  const moves = moveList(b);
  art.append(moves);
  if (b.verdicts.length) art.append(el("ul", {class: "verdicts"}, ...b.verdicts.map(v => el("li", {}, v))));
  if (b.status === "over") art.append(el("p", {class: "result"}, b.result + " " + b.ending));
  requestAnimationFrame(() => { moves.scrollTop = moves.scrollHeight; }); // the latest moves in view
  return art;
}

function drawMatch(m) {
  const box = document.getElementById("match");
  box.hidden = !m;
  if (!m) return;
  box.replaceChildren(...(m.lines || []).map(l => el("p", {}, l)));
  if (m.finished) box.append(el("p", {class: "result"}, "The match is over."));
}

function render() {
  if (!state) return;
  const side = document.getElementById("side").value;
  document.getElementById("title").textContent = state.title;
  document.title = state.title + " - kvnlink live";
  drawMatch(state.match);
  document.getElementById("boards").replaceChildren(...state.boards.map(b => drawGame(b, side)));
  document.body.dataset.version = state.version;
}

function connect() {
  const link = document.getElementById("link");
  const source = new EventSource("events");
  source.onopen = () => { link.textContent = "live"; link.className = "live"; };
  source.onmessage = e => { state = JSON.parse(e.data); render(); };
  source.onerror = () => {
    link.textContent = "reconnecting"; link.className = "";
    // A refused or failed stream is not retried by the browser: start a new one.
    if (source.readyState === EventSource.CLOSED) setTimeout(connect, 1000);
  };
}

document.getElementById("side").addEventListener("change", render);
connect();
</script>
</body>
</html>
)page";

} // namespace

const char *live_page_html() { return page; }

} // namespace kvnlink
