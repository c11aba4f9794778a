#include "htmlPage.h"

#include <cstdio>
#include <ostream>
#include <unordered_map>

#include "protocol/message.h"

namespace tav {
namespace tools {

namespace {

using tav::protocol::FieldSpan;

// text as a JavaScript string literal that is safe inside a <script> element: quotes,
// backslashes and control bytes escaped, and '<' too, so that no "</script>" can appear.
void writeString(std::ostream& out, std::string_view text) {
  out << '"';
  char escape[8];
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out << '\\' << c;
    } else if (byte < 0x20 || c == '<' || c == '>' || c == '&' || byte == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(byte));
      out << escape;
    } else {
      out << c;
    }
  }
  out << '"';
}

void writeBase64(std::ostream& out, std::string_view bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  out << '"';
  char group[4];
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t v = (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16) |
                       (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    group[0] = kDigits[(v >> 18) & 63];
    group[1] = kDigits[(v >> 12) & 63];
    group[2] = kDigits[(v >> 6) & 63];
    group[3] = kDigits[v & 63];
    out.write(group, 4);
  }
  if (i < bytes.size()) {
    uint32_t v = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (i + 1 < bytes.size())
      v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    group[0] = kDigits[(v >> 18) & 63];
    group[1] = kDigits[(v >> 12) & 63];
    group[2] = i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
    group[3] = '=';
    out.write(group, 4);
  }
  out << '"';
}

void writeSchema(std::ostream& out, const std::vector<tav::protocol::SchemaField>& schema) {
  out << "[";
  for (std::size_t i = 0; i < schema.size(); ++i) {
    if (i > 0) out << ',';
    writeString(out, schema[i].pattern);
  }
  out << "]";
}

const char kStyle[] = R"(
:root { font-family: system-ui, sans-serif; color: #1d2330; background: #fafafa; }
body { margin: 0; }
header.top { display: flex; gap: 1rem; align-items: center; padding: 0.4rem 1rem;
  background: #fff; border-bottom: 1px solid #ccd; flex-wrap: wrap; }
h1 { font-size: 1.1rem; margin: 0; }
.legend { font-size: 12px; color: #556; }
.legend .b { width: auto; padding: 0 0.4em; margin: 0 0.3em; }
#search { width: 18rem; }
.layout { display: flex; gap: 0.8rem; padding: 0.5rem 1rem; align-items: flex-start; }
#list { width: 15rem; height: 85vh; overflow: auto; position: relative; font-size: 12px;
  border: 1px solid #ccd; background: #fff; flex: none; }
#lrows { list-style: none; margin: 0; padding: 0; position: absolute; left: 0; right: 0; }
#list li { padding: 0 6px; height: 18px; line-height: 18px; cursor: pointer; white-space: nowrap;
  overflow: hidden; text-overflow: ellipsis; }
#list li.bad { color: #a01818; }
#list li.cur { background: #dbe4ff; }
section.msg { flex: 1; min-width: 0; border: 1px solid #ccd; border-radius: 6px;
  background: #fff; padding: 0.4rem 0.8rem; }
section.msg h2 { font-size: 1rem; margin: 0.2rem 0; word-break: break-all; }
p.status { margin: 0.2rem 0; font-size: 0.9rem; }
p.status.bad { color: #a01818; font-weight: 600; }
#info { font-size: 12px; min-height: 1.6em; margin: 0.2rem 0; font-family: ui-monospace, monospace; }
#info button { font-size: 11px; margin-left: 0.4em; }
#results { list-style: none; margin: 0.2rem 0; padding: 0; font-size: 12px; max-height: 8rem;
  overflow: auto; }
#results li { cursor: pointer; }
.panes { display: flex; gap: 1rem; align-items: flex-start; }
.grid { font-family: ui-monospace, monospace; font-size: 13px; height: 72vh; overflow-y: auto;
  position: relative; flex: none; width: 47rem; }
.rows { position: absolute; left: 0; right: 0; }
.row { white-space: nowrap; height: 20px; line-height: 20px; }
.addr { color: #889; display: inline-block; width: 6.5em; text-align: right; margin-right: 0.8em; }
.b { display: inline-block; width: 1.9em; text-align: center; cursor: pointer;
  background: hsl(var(--h), 70%, 88%); border-left: 1px solid transparent; }
.b.fs { border-left-color: hsl(var(--h), 40%, 45%); }
.b.hdr { background: hsl(var(--h), 15%, 85%); }
.b.free { background: #fff; color: #999; cursor: default; }
.b.left { background: repeating-linear-gradient(45deg, #fde0e0, #fde0e0 3px, #fff 3px,
  #fff 6px); color: #a01818; cursor: default; }
.b.unread { background: #eee; color: #999; text-decoration: line-through; cursor: default; }
.end { display: inline-block; width: 0; height: 1.1em; vertical-align: middle;
  border-left: 3px solid #d01010; margin: 0 1px; }
.txt { color: #667; margin-left: 1em; white-space: pre; }
.b.hover, .fld.hover { outline: 2px solid #3060d0; outline-offset: -1px; }
.b.sel { background: #1d4ed8; color: #fff; }
.fld.sel { background: #dbe4ff; }
.tree { list-style: none; margin: 0; padding: 0; font-size: 13px; height: 72vh; overflow: auto;
  flex: 1; min-width: 20rem; }
.tree ul { list-style: none; margin: 0; padding: 0; }
.tree li > span.line { display: block; padding: 1px 4px 1px calc(0.4rem + var(--d) * 1.1rem);
  white-space: nowrap; }
.rec > span.line { color: #556; font-weight: 600; cursor: pointer; }
.rec > span.line::before { content: '\25B8  '; }
.rec.open > span.line::before { content: '\25BE  '; }
.fld { cursor: pointer; }
.fld .sw { display: inline-block; width: 0.8em; height: 0.8em; margin-right: 0.4em;
  background: hsl(var(--h), 70%, 80%); border: 1px solid hsl(var(--h), 40%, 45%); }
.fld .val { font-family: ui-monospace, monospace; }
.fld .at { color: #99a; font-size: 11px; margin-left: 0.5em; }
.fld.unread { color: #a01818; }
)";

const char kScript[] = R"JS(
(function () {
  'use strict';
  window.tavDataAt = performance.now();
  const SCHEMAS = JSON.parse(document.getElementById('tav-schemas').textContent);
  // Two lines for each message, kept as text: the bytes and fields, parsed when the message
  // is shown, and what the list shows, parsed when its row is drawn.
  const lines = document.getElementById('tav-data').textContent.split('\n');
  const COUNT = Math.max(0, (lines.length - 1) >> 1);
  const MESSAGES = new Array(COUNT);
  const message = (i) => MESSAGES[i] || (MESSAGES[i] = JSON.parse(lines[2 + 2 * i]));
  const ROW = 20, LROW = 18, CHUNK = 100;
  const $ = (id) => document.getElementById(id);
  const list = $('list'), listRows = $('lrows'), grid = $('grid'), rowsBox = $('rows'), spacer = $('spacer');
  const tree = $('tree'), info = $('info'), search = $('search'), results = $('results');
  let hexOffsets = false, cur = null, sel = -1, hover = -1;

  const esc = (s) => String(s).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/"/g, '&quot;');
  const fmt = (n) => hexOffsets ? '0x' + n.toString(16) : String(n);
  const hex2 = (b) => (b < 16 ? '0' : '') + b.toString(16);

  // Calls field(numbers) for each entry of a field string (the value's place, the length,
  // the schema change, the index changes, the element + 1) and jump(distance) for each jump.
  function scan(text, field, jump) {
    const n = text.length, p = [0, 0, 0, 0, 0, 0];
    let k = 0;
    while (k < n) {
      let q = 0, v = 0, neg = false;
      p.fill(0);
      const isJump = text.charCodeAt(k) === 106;
      if (isJump) ++k;
      for (; k <= n; ++k) {
        const c = k < n ? text.charCodeAt(k) : 44;
        if (c === 44 || c === 46) {
          if (q < 6) p[q++] = neg ? -v : v;
          v = 0; neg = false;
          if (c === 44) { ++k; break; }
        } else if (c === 45) neg = true;
        else v = v * 10 + c - 48;
      }
      if (isJump) jump(p[0]); else field(p);
    }
  }

  // A schema pattern split where a field's record ends and its name begins (the last dot,
  // not counting a list's ".count"), each side at its "[]"s.
  function Shape(pattern) {
    const cut = pattern.endsWith('.count') ? pattern.length - 6 : pattern.length;
    const dot = pattern.lastIndexOf('.', cut - 1);
    const key = dot < 0 ? '' : pattern.slice(0, dot);
    const rec = dot < 0 ? [] : key.split('[]'), name = pattern.slice(dot + 1).split('[]');
    const n = Math.max(0, rec.length - 1) + name.length - 1;
    return {key: key, rec: rec, name: name, n: n, recEl: n > 0 && name.length === 1};
  }

  // A field: where it lies (o, l, from the message's first byte), its value, record and name.
  class Field {
    constructor(o, l, v, rec, name, hdr) {
      this.o = o; this.l = l; this.v = v; this.rec = rec; this.name = name; this.hdr = hdr; this.h = 0;
    }
    get path() { return this.rec === '' ? this.name : this.rec + '.' + this.name; }
  }

  // A message's data decoded into fields with their paths, records and owners of bytes.
  function decode(i) {
    const m = message(i);
    if (m.cache) return m.cache;
    Object.assign(m, JSON.parse(lines[1 + 2 * i]));
    const raw = atob(m.b), bytes = new Uint8Array(raw.length);
    for (let k = 0; k < raw.length; ++k) bytes[k] = raw.charCodeAt(k);
    m.b = null;
    const fields = [];
    const add = (text, schema, base) => {
      let end = base, s = -1, i0 = 0, i1 = 0, j = 0;
      let lastKey = null, lastRec = '', l0 = -1, l1 = -1, lEl = -2;
      const shapes = [];
      scan(text || '', (p) => {
        const o = end, l = p[1];
        s += 1 + p[2];
        i0 += p[3];
        i1 += p[4];
        const el = p[5] - 1;
        const shape = shapes[s] || (shapes[s] = Shape(schema[s] || '?'));
        // The q-th "[]" of the pattern (from 1): record indices first, a list element last.
        const at = (q) => (el >= 0 && q === shape.n) ? el : (q === 1 ? i0 : i1);
        let rec = '';
        if (shape.rec.length > 0) {
          if (shape.key === lastKey && i0 === l0 && i1 === l1 && (!shape.recEl || el === lEl)) {
            rec = lastRec;  // the record of the field before
          } else {
            rec = shape.rec[0];
            for (let q = 1; q < shape.rec.length; ++q) rec += '[' + at(q) + ']' + shape.rec[q];
            lastKey = shape.key; lastRec = rec; l0 = i0; l1 = i1; lEl = el;
          }
        }
        let name = shape.name[0];
        const r = shape.rec.length > 0 ? shape.rec.length - 1 : 0;
        for (let q = 1; q < shape.name.length; ++q) name += '[' + at(r + q) + ']' + shape.name[q];
        fields.push(new Field(o, l, m.vt[p[0]], rec, name, base === 0 && m.bs > 0 && o < m.bs));
        ++j;
        end = o + l;
      }, (distance) => { end += distance; });
    };
    add(m.h, SCHEMAS.h, 0);
    add(m.f, SCHEMAS[m.v] || [], m.bs);
    m.h = m.f = null;
    const owner = new Int32Array(bytes.length).fill(-1);
    const hues = new Map();
    let lastRec = null, hue = 0;
    fields.forEach((f, k) => {
      if (f.rec !== lastRec) {  // most fields lie in the record of the field before
        if (!hues.has(f.rec)) hues.set(f.rec, (hues.size * 137 + 210) % 360);
        hue = hues.get(f.rec);
        lastRec = f.rec;
      }
      f.h = hue;
      for (let o = f.o; o < f.o + f.l && o < bytes.length; ++o) owner[o] = k;
    });
    m.cache = {bytes: bytes, fields: fields, owner: owner, root: null, parent: null};
    return m.cache;
  }

  // ---- the message list, drawn for the rows in view
  let listDrawn = [-1, -1];
  function drawList(force) {
    const first = Math.max(0, Math.floor(list.scrollTop / LROW) - 10);
    const last = Math.min(COUNT, Math.ceil((list.scrollTop + list.clientHeight) / LROW) + 10);
    if (!force && first >= listDrawn[0] && last <= listDrawn[1]) return;
    const from = Math.max(0, first - 30), to = Math.min(COUNT, last + 30);
    listDrawn = [from, to];
    const html = [];
    for (let i = from; i < to; ++i) {
      const m = message(i);
      html.push('<li data-m="', i, '" class="', m.ok ? '' : 'bad', cur && cur.i === i ? ' cur' : '',
                '" title="', esc(m.t + ' \u2014 ' + m.s), '">', esc(m.l || m.t), '</li>');
    }
    listRows.style.top = (from * LROW) + 'px';
    listRows.innerHTML = html.join('');
  }
  $('lspacer').style.height = (COUNT * LROW) + 'px';
  list.addEventListener('scroll', () => requestAnimationFrame(() => drawList(false)));
  list.addEventListener('click', (e) => {
    const li = e.target.closest('li');
    if (li) show(+li.dataset.m);
  });
  if (COUNT < 2) list.style.display = 'none';

  // ---- the hex grid, drawn for the rows in view
  let drawn = [-1, -1];
  function drawGrid(force) {
    if (!cur) return;
    const d = cur.d, m = cur.m, n = d.bytes.length, rows = Math.ceil(n / 16);
    const first = Math.max(0, Math.floor(grid.scrollTop / ROW) - 20);
    const last = Math.min(rows, Math.ceil((grid.scrollTop + grid.clientHeight) / ROW) + 20);
    if (!force && first >= drawn[0] && last <= drawn[1]) return;
    const from = Math.max(0, first - 40), to = Math.min(rows, last + 40);
    drawn = [from, to];
    const html = [];
    for (let r = from; r < to; ++r) {
      html.push('<div class="row"><span class="addr">', fmt(m.a + r * 16), '</span>');
      let text = '';
      for (let i = r * 16; i < r * 16 + 16 && i < n; ++i) {
        if (!m.c && i === m.sa) html.push('<span class="end" title="the data ran out here"></span>');
        const b = d.bytes[i], k = d.owner[i];
        text += b >= 32 && b < 127 ? String.fromCharCode(b) : '.';
        if (k >= 0) {
          const f = d.fields[k];
          html.push('<span class="b', f.o === i ? ' fs' : '', f.hdr ? ' hdr' : '',
                    k === sel ? ' sel' : '', '" data-o="', m.a + i, '" data-f="', k,
                    '" style="--h:', f.h, '">', hex2(b), '</span>');
        } else {
          const kind = m.g ? 'left' : i < m.ce ? 'free' : m.c ? 'left' : 'unread';
          const why = m.g ? 'frames no message' : kind === 'left' ? 'left over' :
                      kind === 'unread' ? 'not read' : 'no field';
          html.push('<span class="b ', kind, '" data-o="', m.a + i, '" title="', why, '">', hex2(b), '</span>');
        }
      }
      if (!m.c && m.sa >= n && r === rows - 1) html.push('<span class="end" title="the data ran out here"></span>');
      html.push('<span class="txt">', text.replace(/&/g, '&amp;').replace(/</g, '&lt;'), '</span></div>');
    }
    rowsBox.style.top = (from * ROW) + 'px';
    rowsBox.innerHTML = html.join('');
    if (hover >= 0) mark(hover, 'hover', true);
  }
  grid.addEventListener('scroll', () => requestAnimationFrame(() => drawGrid(false)));

  // ---- the field tree: records collapsible, drawn when opened
  function buildTree(d) {
    const root = {name: '', kids: [], open: true, depth: -1};
    const parent = new Array(d.fields.length);
    let stack = [root], names = [], lastRec = null;
    d.fields.forEach((f, k) => {
      if (f.rec === lastRec) {  // in the record of the field before
        const home = stack[stack.length - 1];
        home.kids.push(k);
        parent[k] = home;
        return;
      }
      lastRec = f.rec;
      const parts = f.rec === '' ? [] : f.rec.split('.');
      let same = 0;
      while (same < parts.length && same < names.length && parts[same] === names[same]) ++same;
      stack.length = same + 1;
      names.length = same;
      for (let p = same; p < parts.length; ++p) {
        const node = {name: parts[p], kids: [], open: false, depth: p, up: stack[stack.length - 1]};
        stack[stack.length - 1].kids.push(node);
        stack.push(node);
        names.push(parts[p]);
      }
      const home = stack[stack.length - 1];
      home.kids.push(k);
      parent[k] = home;
    });
    // Long runs of children become groups of CHUNK, so that no list is drawn whole.
    const group = (node) => {
      node.kids.forEach((kid) => { if (typeof kid === 'object') group(kid); });
      while (node.kids.length > CHUNK * 2) {
        const kids = node.kids, groups = [];
        for (let s = 0; s < kids.length; s += CHUNK) {
          const g = {name: '', kids: kids.slice(s, s + CHUNK), open: false, depth: node.depth + 1, up: node, group: true};
          g.kids.forEach((kid) => { if (typeof kid === 'object') kid.up = g; else parent[kid] = g; });
          groups.push(g);
        }
        node.kids = groups;
      }
      node.kids.forEach((kid) => { if (typeof kid === 'object' && kid.group) {
        const first = label(kid.kids[0]), last = label(kid.kids[kid.kids.length - 1]);
        kid.name = first + ' \u2026 ' + last + ' (' + kid.kids.length + ')';
      } });
    };
    const label = (kid) => typeof kid === 'object' ? (kid.group ? kid.name : kid.name) : d.fields[kid].name;
    group(root);
    d.root = root;
    d.parent = parent;
    root.open = true;
    // The header and small records start open.
    root.kids.forEach((kid) => { if (typeof kid === 'object' && kid.name === 'header') kid.open = true; });
  }

  function depthOf(node) { let n = 0; for (let u = node.up; u; u = u.up) ++n; return n; }

  function drawNode(node, ul) {
    const html = [];
    const depth = depthOf(node);
    node.kids.forEach((kid, j) => {
      if (typeof kid === 'object') {
        html.push('<li class="rec', kid.open ? ' open' : '', '" data-r="', j, '"><span class="line" style="--d:', depth,
                  '">', esc(kid.name), '</span><ul></ul></li>');
      } else {
        const f = cur.d.fields[kid];
        html.push('<li class="fld', f.l === 0 ? ' unread' : '', kid === sel ? ' sel' : '', '" tabindex="0" data-f="', kid,
                  '" data-o="', cur.m.a + f.o, '" data-l="', f.l, '" data-path="', esc(f.path),
                  '" style="--h:', f.h, '"><span class="line" style="--d:', depth,
                  '"><span class="sw"></span><span class="nm">', esc(f.name), '</span> <span class="val">= ',
                  esc(f.l === 0 ? '(not read)' : f.v), '</span><span class="at">', fmt(cur.m.a + f.o), '+', f.l,
                  '</span></span></li>');
      }
    });
    ul.innerHTML = html.join('');
    node.kids.forEach((kid, j) => {
      if (typeof kid === 'object') {
        const li = ul.children[j];
        li._node = kid;
        if (kid.open) drawNode(kid, li.querySelector('ul'));
      }
    });
  }

  tree.addEventListener('click', (e) => {
    const line = e.target.closest('li');
    if (!line) return;
    if (line.classList.contains('rec')) {
      const node = line._node;
      node.open = !node.open;
      line.classList.toggle('open', node.open);
      const ul = line.querySelector('ul');
      if (node.open) drawNode(node, ul); else ul.innerHTML = '';
    } else if (line.dataset.f !== undefined) {
      select(+line.dataset.f, 'tree');
    }
  });

  function treeRow(k) { return tree.querySelector('.fld[data-f="' + k + '"]'); }

  // Opens the records holding field k and returns its row.
  function reveal(k) {
    let row = treeRow(k);
    if (row) return row;
    const chain = [];
    for (let n = cur.d.parent[k]; n && n.up; n = n.up) chain.unshift(n);
    chain.forEach((n) => n.open = true);
    drawNode(cur.d.root, tree);
    return treeRow(k);
  }

  // ---- selection, hover, copy
  function mark(k, cls, on) {
    if (k < 0 || !cur) return;
    const f = cur.d.fields[k];
    for (const c of rowsBox.querySelectorAll('.b[data-f="' + k + '"]')) c.classList.toggle(cls, on);
    const row = treeRow(k);
    if (row) row.classList.toggle(cls, on);
    void f;
  }

  function select(k, from) {
    if (!cur) return;
    if (sel >= 0) mark(sel, 'sel', false);
    sel = (k === sel && from !== 'key') ? -1 : k;
    if (sel < 0 || sel >= cur.d.fields.length) { sel = -1; info.textContent = ''; return; }
    const f = cur.d.fields[sel];
    const row = f.o >> 4;
    if (from !== 'grid' && (row * ROW < grid.scrollTop || (row + 1) * ROW > grid.scrollTop + grid.clientHeight)) {
      grid.scrollTop = Math.max(0, row * ROW - grid.clientHeight / 2);
    }
    drawGrid(true);
    const tr = reveal(sel);
    mark(sel, 'sel', true);
    if (tr && from !== 'tree') tr.scrollIntoView({block: 'nearest'});
    const hexBytes = Array.from(cur.d.bytes.subarray(f.o, f.o + f.l), hex2).join(' ');
    info.innerHTML = '';
    info.append(f.path + ' = ' + (f.l === 0 ? '(not read)' : f.v) + '  @' + fmt(cur.m.a + f.o) + '+' + f.l + '  [' + hexBytes + ']');
    for (const [label, text] of [['copy value', f.v], ['copy bytes', hexBytes], ['copy path', f.path]]) {
      const b = document.createElement('button');
      b.textContent = label;
      b.addEventListener('click', () => copy(text));
      info.append(b);
    }
  }

  function copy(text) {
    const fallback = () => {
      const t = document.createElement('textarea');
      t.value = text; document.body.appendChild(t); t.select();
      try { document.execCommand('copy'); } catch (e) { /* no clipboard */ }
      t.remove();
    };
    window.tavCopied = text;
    if (navigator.clipboard && window.isSecureContext) navigator.clipboard.writeText(text).catch(fallback);
    else fallback();
  }

  grid.addEventListener('click', (e) => {
    const c = e.target.closest('.b[data-f]');
    if (c) select(+c.dataset.f, 'grid');
  });
  for (const box of [grid, tree]) {
    box.addEventListener('mouseover', (e) => {
      const t = e.target.closest('[data-f]');
      if (t) { hover = +t.dataset.f; mark(hover, 'hover', true); }
    });
    box.addEventListener('mouseout', (e) => {
      const t = e.target.closest('[data-f]');
      if (t) { mark(+t.dataset.f, 'hover', false); hover = -1; }
    });
  }

  document.addEventListener('keydown', (e) => {
    if (e.target === search) return;
    if (!cur) return;
    const n = cur.d.fields.length;
    let k = -2;
    if (e.key === 'ArrowRight') k = Math.min(n - 1, sel + 1);
    else if (e.key === 'ArrowLeft') k = Math.max(0, sel - 1);
    else if (e.key === 'ArrowDown' || e.key === 'ArrowUp') {
      const at = (sel >= 0 ? cur.d.fields[sel].o : 0) + (e.key === 'ArrowDown' ? 16 : -16);
      if (at >= 0 && at < cur.d.bytes.length && cur.d.owner[at] >= 0) k = cur.d.owner[at];
    } else if (e.key === ']' || e.key === '[') {
      const next = cur.i + (e.key === ']' ? 1 : -1);
      if (next >= 0 && next < COUNT) show(next);
      e.preventDefault();
      return;
    } else if (e.key === '/') { search.focus(); e.preventDefault(); return; }
    else if ((e.key === 'Enter' || e.key === ' ') && e.target.dataset && e.target.dataset.f !== undefined) {
      select(+e.target.dataset.f, 'tree'); e.preventDefault(); return;
    }
    if (k >= 0) { e.preventDefault(); select(k, 'key'); }
  });

  // ---- search by path or value
  search.addEventListener('input', () => {
    results.innerHTML = '';
    const q = search.value.trim();
    if (!q || !cur) return;
    const found = [];
    let more = 0;
    cur.d.fields.forEach((f, k) => {
      if (f.path.includes(q) || String(f.v).includes(q)) {
        if (found.length < 200) found.push(k); else ++more;
      }
    });
    results.innerHTML = found.map((k) => '<li data-f="' + k + '">' + esc(cur.d.fields[k].path) + ' = ' +
                                   esc(cur.d.fields[k].v) + '</li>').join('') +
        (more ? '<li>\u2026 ' + more + ' more</li>' : '') + (found.length ? '' : '<li>no field matches</li>');
  });
  results.addEventListener('click', (e) => {
    const li = e.target.closest('li[data-f]');
    if (li) select(+li.dataset.f, 'search');
  });
  $('hexoff').addEventListener('change', (e) => {
    hexOffsets = e.target.checked;
    if (cur) { drawGrid(true); drawNode(cur.d.root, tree); if (sel >= 0) select(sel, 'key'); }
  });

  // ---- one message at a time
  function show(i) {
    const d = decode(i), m = message(i);
    if (!d.root) buildTree(d);
    cur = {i: i, m: m, d: d};
    if (COUNT > 1) {
      if (i * LROW < list.scrollTop) list.scrollTop = i * LROW;
      else if ((i + 1) * LROW > list.scrollTop + list.clientHeight) list.scrollTop = (i + 1) * LROW - list.clientHeight;
      drawList(true);
    }
    sel = -1; hover = -1;
    $('title').textContent = m.t;
    const status = $('status');
    status.textContent = m.s;
    status.className = 'status' + (m.ok ? '' : ' bad');
    const section = $('msg');
    section.dataset.index = i;
    section.dataset.start = m.a;
    section.dataset.body = m.a + m.bs;
    section.dataset.consumedEnd = m.a + m.ce;
    section.dataset.size = d.bytes.length;
    spacer.style.height = (Math.ceil(d.bytes.length / 16) * ROW) + 'px';
    grid.scrollTop = 0;
    drawGrid(true);
    drawNode(d.root, tree);
    info.textContent = '';
    if (search.value) search.dispatchEvent(new Event('input'));
  }

  window.tavMap = {
    show: show, select: (k) => select(k, 'key'), clear: () => select(-1, 'key'),
    current: () => cur && cur.i, selected: () => sel,
    fields: () => cur.d.fields.map((f) => [f.o + cur.m.a, f.l, f.path]),
    owners: () => Array.from(cur.d.owner),
    count: () => COUNT,
  };
  if (COUNT) show(0);
  window.tavReadyAt = performance.now();
  document.body.dataset.ready = '1';
})();
)JS";

}  // namespace

void htmlBegin(std::ostream& out) {
  out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<title>tav-dump byte map</title>\n<style>"
      << kStyle
      << "</style>\n</head>\n<body>\n<header class=\"top\"><h1>tav-dump byte map</h1>"
         "<input id=\"search\" type=\"search\" placeholder=\"search a path or a value (/)\">"
         "<label class=\"legend\"><input id=\"hexoff\" type=\"checkbox\"> hex offsets</label>"
         "<span class=\"legend\">Shaded by record; a bar marks a field's start. Click a byte or "
         "a field; \u2190 \u2192 fields, \u2191 \u2193 rows, [ ] messages."
         "<span class=\"b left\">left over / no message</span><span class=\"b unread\">not "
         "read</span><span class=\"end\"></span> data ran out</span></header>\n"
         "<div class=\"layout\"><div id=\"list\"><div id=\"lspacer\"></div><ol "
         "id=\"lrows\"></ol></div>\n"
         "<section class=\"msg\" id=\"msg\"><h2 id=\"title\"></h2><p class=\"status\" "
         "id=\"status\"></p><div id=\"info\"></div><ul id=\"results\"></ul>\n"
         "<div class=\"panes\"><div class=\"grid\" id=\"grid\"><div id=\"spacer\"></div>"
         "<div class=\"rows\" id=\"rows\"></div></div><ul class=\"tree\" id=\"tree\"></ul></div>"
         "</section></div>\n<script type=\"application/json\" id=\"tav-schemas\">{\"h\": ";
  writeSchema(out, tav::protocol::headerSchema());
  for (const tav::protocol::Version* version : tav::protocol::kVersions) {
    out << ", ";
    writeString(out, version->name());
    out << ": ";
    writeSchema(out, version->schema());
  }
  // The messages follow as data the browser stores without running it, two lines each (what
  // the message list shows, then the bytes and fields, parsed when the message is shown).
  out << "}</script>\n<script type=\"application/json\" id=\"tav-data\">\n";
}

// A message's data is one line of JSON: where it starts, its bytes, then its fields as two
// strings of comma-separated entries ("h" for the header's, "f" for the body's), one for each
// field: the place of its value in the message's list of distinct values ("vt", written last),
// its length, then '.'-separated changes from the field before of the schema entry (less one,
// as the next entry is the usual case), of the two record indices, and the list element + 1
// (0 for none), each zero written as nothing and trailing zeros left out; so a field of one
// byte whose value was seen third and whose schema entry follows the one before is "2.1". A
// field that does not start where the one before ended is preceded by a jump: 'j' and the
// distance. How the read ended closes the line; the next line is what the message list shows.
HtmlMessageWriter::HtmlMessageWriter(std::ostream& out, const HtmlMessage& m) : out_(out), end_(0) {
  out_ << "{\"a\":" << m.start << ",\"bs\":" << m.bodyStart << ",\"v\":";
  writeString(out_, m.version != nullptr ? m.version->name() : std::string_view());
  out_ << ",\"b\":";
  writeBase64(out_, m.bytes);
  out_ << ",\"h\":\"";
  bodyStart_ = m.bodyStart;
}

void HtmlMessageWriter::field(const FieldSpan& f, std::size_t offset) {
  if (!first_) out_ << ',';
  first_ = false;
  if (offset != end_) {
    out_ << 'j' << static_cast<long long>(offset) - static_cast<long long>(end_) << ',';
  }
  const long long now[3] = {static_cast<long long>(f.schemaIndex),
                            f.indexCount > 0 ? static_cast<long long>(f.indices[0]) : 0,
                            f.indexCount > 1 ? static_cast<long long>(f.indices[1]) : 0};
  const long long parts[4] = {now[0] - previous_[0] - 1, now[1] - previous_[1],
                              now[2] - previous_[2], static_cast<long long>(f.element) + 1};
  int last = 3;
  while (last >= 0 && parts[last] == 0) --last;
  const auto found = table_.emplace(f.value, values_.size());
  if (found.second) values_.push_back(&found.first->first);
  out_ << found.first->second << '.' << f.length;
  for (int k = 0; k <= last; ++k) {
    out_ << '.';
    if (parts[k] != 0) out_ << parts[k];
  }
  for (int k = 0; k < 3; ++k) previous_[k] = now[k];
  end_ = offset + f.length;
}

void HtmlMessageWriter::header(const FieldSpan& f) { field(f, f.offset); }

void HtmlMessageWriter::body(const FieldSpan& f) {
  if (!inBody_) {
    out_ << "\",\"f\":\"";
    inBody_ = true;
    first_ = true;
    end_ = bodyStart_;
    previous_[0] = -1;
    previous_[1] = previous_[2] = 0;
  }
  field(f, bodyStart_ + f.offset);
}

void HtmlMessageWriter::finish(const HtmlMessage& m) {
  out_ << (inBody_ ? "\"" : "\",\"f\":\"\"") << ",\"vt\":[";
  for (std::size_t i = 0; i < values_.size(); ++i) {
    if (i > 0) out_ << ',';
    writeString(out_, *values_[i]);
  }
  values_.clear();
  table_.clear();
  out_ << "],\"ce\":" << m.consumedEnd << ",\"c\":" << (m.complete ? 1 : 0)
       << ",\"sa\":" << m.stoppedAt << "}\n{\"t\":";
  writeString(out_, m.title);
  out_ << ",\"l\":";
  writeString(out_, m.label);
  out_ << ",\"s\":";
  writeString(out_, m.status);
  out_ << ",\"ok\":" << (m.ok ? 1 : 0) << ",\"g\":" << (m.garbage ? 1 : 0) << "}\n";
}

void htmlMessage(std::ostream& out, const HtmlMessage& m, std::size_t index) {
  (void)index;
  HtmlMessageWriter writer(out, m);
  if (m.header != nullptr) {
    for (const FieldSpan& f : *m.header) writer.header(f);
  }
  if (m.body != nullptr) {
    for (const FieldSpan& f : *m.body) writer.body(f);
  }
  writer.finish(m);
}

void htmlEnd(std::ostream& out) {
  out << "</script>\n<script>" << kScript << "</script>\n</body>\n</html>\n";
}

}  // namespace tools
}  // namespace tav
