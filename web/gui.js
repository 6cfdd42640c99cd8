// The STROBE-95 faceplate. Everything on it is built from the panel description; the
// plugin is reached only through the bridge that the page hands over as `audioNode`, so
// the same module runs inside the plugin's web view and in any page that offers a bridge.

// Only used when the embedding page does not serve the fonts itself.
const kWebFontSheet =
  "https://fonts.googleapis.com/css2?family=Orbitron:wght@700;900&family=Press+Start+2P&family=VT323&display=swap";

const kDragPixelsFullRange = 160;   // pixels of vertical travel that sweep a knob end to end
const kKnobSweepDegrees = 270;      // the cap turns from -135 to +135 degrees
const kFineStep = 0.02;             // arrow-key and wheel-notch step in knob travel
const kCoarseStep = 0.1;            // the arrow-key step with Shift held
const kFineDragFactor = 10;         // Shift makes a drag this many times finer
const kWheelNotch = 120;            // one wheel notch in the engines' wheelDelta units
const kWheelPixelsPerNotch = 100;   // the same in pixels, where no wheelDelta is given
const kWheelLinesPerNotch = 3;
const kWheelQuietMs = 400;          // a wheel burst's gesture ends after this long without a notch
const kTypeAheadMs = 700;           // letters typed within this time search the list together
const kChoiceListAbove = 5;         // more names than this get a drop-down instead of segments

const kKeyCount = 25;               // two octaves and the top C
const kWhiteKeyCount = 15;
const kBlackKeyWidth = 0.6;         // in white-key widths
const kBlackKeyInset = 0.3;         // half the black key, so it straddles the white boundary
const kBlackOffsets = new Set([1, 3, 6, 8, 10]);
const kNoteNames = ["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"];
const kTypingLetters = "awsedftgyhujkol";  // offsets 0..14: home row white keys, row above black
const kStartBase = 48;              // C3
const kLowestBase = 24;             // C1
const kHighestBase = 84;            // C6, so the top on-screen key is 108
const kOctave = 12;
const kNoteOn = 0x90;
const kNoteOff = 0x80;
const kPlayVelocity = 100;
const kAssistiveNoteMs = 300;       // a key activated without a pointer sounds this long

const kScreenWidth = 456;
const kScreenHeight = 80;
const kSvg = "http://www.w3.org/2000/svg";
const kPresetPrompt = "Choose a sound...";

// The plugin rounds with lround (halves away from zero); Math.round would differ below zero.
function roundHalfAway(v) {
  return Math.sign(v) * Math.round(Math.abs(v));
}

// printf's "%.Nf": an exact binary tie goes to the even digit, where toFixed rounds it up.
// The host shows the plugin's text, so the faceplate must not disagree on 1.25 kHz.
function fixed(v, digits) {
  const exact = v.toFixed(100);
  const cut = exact.indexOf(".") + 1 + digits;
  const isTie = /^50*$/.test(exact.slice(cut));
  return isTie && (exact.charCodeAt(cut - 1) - 48) % 2 === 0 ? exact.slice(0, cut) : v.toFixed(digits);
}

function clampUnit(p) {
  return p >= 0 ? Math.min(1, p) : 0;  // NaN (a log of a non-positive value) lands at 0
}

function isLogTaper(c) {
  return c.taper === "log" && c.min > 0;
}

function toPosition(c, v) {
  if (isLogTaper(c)) return clampUnit(Math.log(v / c.min) / Math.log(c.max / c.min));
  return clampUnit((v - c.min) / (c.max - c.min));
}

function fromPosition(c, p) {
  const q = clampUnit(p);
  const v = isLogTaper(c) ? c.min * Math.pow(c.max / c.min, q) : c.min + q * (c.max - c.min);
  return c.type === "int" ? roundHalfAway(v) : v;
}

function valueText(c, v) {
  if (c.type === "int") return String(roundHalfAway(v));
  if (c.unit === "Hz") return v >= 1000 ? `${fixed(v / 1000, 1)} kHz` : `${roundHalfAway(v)} Hz`;
  if (c.unit === "s") return v < 1 ? `${roundHalfAway(v * 1000)} ms` : `${fixed(v, 2)} s`;
  if (c.min >= 0 && c.max <= 1) return `${roundHalfAway(v * 100)}%`;
  return fixed(v, 2);
}

function choiceIndex(c, v) {
  return Math.min(c.choices.length - 1, Math.max(0, roundHalfAway(v)));
}

function noteName(key) {
  return `${kNoteNames[key % kOctave]}${Math.floor(key / kOctave) - 1}`;
}

// The screens' curves, in the screen's 456 x 80 units.
function filterCurve(v) {
  const q = 0.7 + v.resonance * 11;
  const order = v.acid_filter >= 0.5 ? 2 : 1;  // the acid ladder is twice as steep
  const points = [];
  for (let x = 0; x <= kScreenWidth; x++) {
    const r = (20 * Math.pow(1000, x / kScreenWidth)) / v.cutoff;
    const magnitude = 1 / Math.sqrt((1 - r * r) ** 2 + (r / q) ** 2);
    const gain = 20 * Math.log10(magnitude) * order;
    const drawn = Math.max(-36, gain > 0 ? 18 * Math.tanh(gain / 18) : gain);  // soft top, hard floor
    points.push([x, ((18 - drawn) / 54) * 74 + 3]);
  }
  return points;
}

function envelopeCurve(v) {
  const a = Math.sqrt(v.attack / 4), d = Math.sqrt(v.decay / 4), r = Math.sqrt(v.release / 6);
  const hold = 0.35;
  const scale = 448 / (a + d + hold + r);
  const top = 6, floor = 76;
  const s = floor - v.sustain * (floor - top);
  const peakX = 4 + a * scale, sustainX = peakX + d * scale, releaseX = sustainX + hold * scale;
  return [[4, floor], [peakX, top], [sustainX, s], [releaseX, s], [452, floor]];
}

function el(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

function svg(tag, attributes) {
  const node = document.createElementNS(kSvg, tag);
  for (const [name, value] of Object.entries(attributes)) node.setAttribute(name, value);
  return node;
}

// The four screws sit in the faceplate's margin, clear of every panel.
function screws() {
  return ["top-left", "top-right", "bottom-left", "bottom-right"].map((corner) => {
    const screw = el("div", `screw ${corner}`);
    screw.setAttribute("aria-hidden", "true");
    return screw;
  });
}

function button(className, text, label) {
  const b = el("button", className, text);
  b.type = "button";
  if (label) b.setAttribute("aria-label", label);
  return b;
}

async function loadDescription() {
  const response = await fetch(new URL("./parameters.json", import.meta.url));
  if (!response.ok) throw new Error(`panel description: HTTP ${response.status}`);
  const description = await response.json();
  for (const key of ["sections", "faceplate", "presets"]) {
    if (!Array.isArray(description?.[key])) throw new Error(`panel description: no "${key}"`);
  }
  return description;
}

function loadWebFonts() {
  if (document.documentElement.hasAttribute("data-strobe95-fonts")) return;
  if ([...document.querySelectorAll("link[rel=stylesheet]")].some((l) => l.href === kWebFontSheet)) return;
  const link = document.createElement("link");
  link.rel = "stylesheet";
  link.href = kWebFontSheet;
  document.head.append(link);
}

// Each section's switch first, then its controls: the plugin's parameter order.
function controlList(sections) {
  const controls = new Map();
  for (const section of sections) {
    for (const c of [section.switch, ...(section.controls ?? [])]) if (c) controls.set(c.id, c);
  }
  return controls;
}

async function readValues(bridge, controls) {
  let plugin = {};
  try {
    plugin = (await bridge.getParameterValues()) ?? {};
  } catch {
    plugin = {};  // no plugin answer: the faceplate starts at the defaults
  }
  const values = {};
  for (const [id, c] of controls) {
    const value = plugin[id]?.value;
    values[id] = typeof value === "number" && Number.isFinite(value) ? value : c.default;
  }
  return values;
}

async function readPresetState(bridge) {
  if (typeof bridge.getPresetState !== "function") return { preset: null, edited: false };
  try {
    const s = await bridge.getPresetState();
    return { preset: s?.preset ? String(s.preset) : null, edited: Boolean(s?.edited) };
  } catch {
    return { preset: null, edited: false };
  }
}

// A drop-down list drawn by the page itself. WebKitGTK opens a <select> as a GTK menu
// that page styles cannot reach (white, with the page's light text on it), so the open
// list is the page's own: the same dark list in every engine, worked like a select-only
// combobox by keyboard and described as one to assistive technology.
let dropDownCount = 0;

function dropDown({ label, names, className, onChoose, onDone }) {
  const id = `list-${++dropDownCount}`;
  const wrapper = el("div", `drop-down ${className}`);
  const box = el("div", "drop-box");
  const text = el("span", "drop-text");
  box.append(text);
  // As wide as its longest name, as a select would be.
  box.style.setProperty("--chars", String(Math.max(...names.map((name) => name.length))));
  box.tabIndex = 0;
  box.setAttribute("role", "combobox");
  box.setAttribute("aria-label", label);
  box.setAttribute("aria-haspopup", "listbox");
  box.setAttribute("aria-expanded", "false");
  box.setAttribute("aria-controls", id);
  const list = el("div", "drop-list");
  list.id = id;
  list.setAttribute("role", "listbox");
  list.setAttribute("aria-label", label);
  const options = names.map((name, i) => {
    const option = el("div", "option", name);
    option.id = `${id}-${i}`;
    option.setAttribute("role", "option");
    option.setAttribute("aria-selected", "false");
    option.addEventListener("pointerenter", () => activate(i));
    option.addEventListener("click", () => choose(i));
    list.append(option);
    return option;
  });
  wrapper.append(box, list);

  let current = -1;          // the index the list stands at, -1 for none
  let active = -1;           // the option the keys or the pointer point at while open
  let openedByPointer = false;
  let typed = { text: "", at: 0 };

  const isOpen = () => wrapper.classList.contains("open");
  function activate(i) {
    active = i;
    options.forEach((o, j) => {
      o.classList.toggle("active", j === i);
      o.setAttribute("aria-selected", String(j === i));
    });
    if (i >= 0) box.setAttribute("aria-activedescendant", options[i].id);
    else box.removeAttribute("aria-activedescendant");
  }
  function open(byPointer, at = current) {
    if (isOpen()) return;
    openedByPointer = byPointer;
    typed = { text: "", at: 0 };  // a search starts afresh each time the list opens
    wrapper.classList.add("open");
    box.setAttribute("aria-expanded", "true");
    activate(at);
    // Below the box, unless only above does it fit in the window.
    list.classList.remove("above");
    const boxRect = box.getBoundingClientRect();
    const height = list.offsetHeight;
    if (boxRect.bottom + height > window.innerHeight && boxRect.top - height >= 0) list.classList.add("above");
    document.addEventListener("pointerdown", closeFromOutside, true);
    window.addEventListener("blur", closeQuietly);
  }
  function close() {
    if (!isOpen()) return;
    wrapper.classList.remove("open");
    box.setAttribute("aria-expanded", "false");
    activate(-1);
    document.removeEventListener("pointerdown", closeFromOutside, true);
    window.removeEventListener("blur", closeQuietly);
  }
  function closeQuietly() { close(); }
  function closeFromOutside(e) {
    if (!e.composedPath().includes(wrapper)) close();
  }
  // A choice, or a list the pointer opened and closed, gives the keys back to the
  // faceplate, so that typed letters play again instead of searching the list.
  function choose(i) {
    close();
    if (i !== current && i >= 0) onChoose(i);
    onDone();
  }
  function typeAhead(letter) {
    const now = performance.now();
    typed = { text: now - typed.at < kTypeAheadMs ? typed.text + letter : letter, at: now };
    const from = typed.text.length === 1 ? active + 1 : Math.max(active, 0);
    for (let n = 0; n < names.length; n++) {
      const i = (from + n) % names.length;
      if (names[i].toLowerCase().startsWith(typed.text)) return activate(i);
    }
  }

  box.addEventListener("pointerdown", (e) => {
    if (e.button !== 0) return;
    if (!isOpen()) {
      box.focus({ preventScroll: true });
      open(true);
    } else {
      close();
      if (openedByPointer) onDone();
    }
  });
  // The focus moves only where the handlers above put it: a press on the list keeps it
  // on the box, which speaks for the list.
  for (const part of [box, list]) part.addEventListener("mousedown", (e) => e.preventDefault());
  box.addEventListener("focusout", close);
  box.addEventListener("keydown", (e) => {
    if (e.ctrlKey || e.metaKey) return;
    const letter = e.key.length === 1 && !e.altKey ? e.key.toLowerCase() : "";
    if (!isOpen()) {
      const start = { ArrowDown: current, ArrowUp: current, Enter: current, " ": current, Home: 0, End: names.length - 1 }[e.key];
      if (start !== undefined) open(false, start < 0 ? 0 : start);
      else if (letter) { open(false); typeAhead(letter); }
      else return;
      e.preventDefault();
      return;
    }
    const last = names.length - 1;
    const move = { ArrowDown: Math.min(last, active + 1), ArrowUp: Math.max(0, active - 1), Home: 0, End: last,
      PageDown: Math.min(last, active + 10), PageUp: Math.max(0, active - 10) }[e.key];
    const typing = performance.now() - typed.at < kTypeAheadMs;
    if (e.altKey && e.key === "ArrowUp") choose(active);
    else if (move !== undefined) activate(move);
    else if (e.key === "Enter" || (e.key === " " && !typing)) choose(active);
    else if (e.key === "Escape") close();
    else if (e.key === "Tab") { close(); return; }
    else if (letter) typeAhead(letter);
    else return;
    e.preventDefault();
    e.stopPropagation();
  });

  return {
    element: wrapper,
    // What the closed box reads and which entry the list stands at (-1: none).
    show(shownText, index) {
      current = index;
      text.textContent = shownText;
      options.forEach((o, i) => o.classList.toggle("current", i === index));
    },
  };
}

export async function createElement(plugin) {
  const bridge = plugin.audioNode;
  const description = await loadDescription();
  loadWebFonts();
  const controls = controlList(description.sections);
  const presets = description.presets;
  const state = {
    values: await readValues(bridge, controls),
    ...(await readPresetState(bridge)),
    base: kStartBase,
    lit: new Map(),    // key -> number of sources holding it
    typed: new Map(),  // letter -> the key it started
  };
  const redraws = [];
  const draw = () => redraws.forEach((redraw) => redraw());
  const host = el("div", "strobe95-gui");
  const root = host.attachShadow({ mode: "open" });
  const face = el("div", "face");
  face.tabIndex = -1;  // not a Tab stop, but where the keys go back to after a list
  face.setAttribute("role", "group");  // so a screen reader names where the focus landed
  face.setAttribute("aria-label", "STROBE-95");
  const returnFocus = () => face.focus({ preventScroll: true });

  function set(updates, fromPreset = false) {
    if (!fromPreset && state.preset !== null && !state.edited) {
      state.edited = true;
      bridge.setPresetState(state.preset, true);
    }
    const records = {};
    for (const [id, value] of Object.entries(updates)) {
      state.values[id] = value;
      records[id] = { id, value, normalized: false };
    }
    bridge.setParameterValues(records);
    draw();
  }

  function choosePreset(name) {
    const preset = presets.find((p) => p.name === name);
    if (!preset) return;
    state.preset = name;
    state.edited = false;
    bridge.setPresetState(name, false);
    const updates = {};
    for (const [id, c] of controls) {
      const value = preset.values?.[id];
      updates[id] = typeof value === "number" ? value : c.default;
    }
    set(updates, true);
  }

  function stepPreset(step) {
    if (presets.length === 0) return;
    const at = presets.findIndex((p) => p.name === state.preset);
    const next = at < 0 ? (step > 0 ? 0 : presets.length - 1) : (at + step + presets.length) % presets.length;
    choosePreset(presets[next].name);
  }

  function knob(c, caption, big) {
    const box = el("div", big ? "knob big" : "knob");
    const cap = el("div", "cap");
    const dial = el("div", "dial");
    dial.append(el("div", "pointer"));
    cap.append(dial);
    cap.tabIndex = 0;
    cap.setAttribute("role", "slider");
    cap.setAttribute("aria-label", caption);
    cap.setAttribute("aria-valuemin", String(c.min));
    cap.setAttribute("aria-valuemax", String(c.max));
    const readout = el("div", "readout");
    const shownCaption = el("div", "caption", caption);
    // The slider itself speaks its name and value; the visible texts would repeat them.
    for (const text of [shownCaption, readout]) text.setAttribute("aria-hidden", "true");
    box.append(cap, shownCaption, readout);

    // A drag and a wheel burst may overlap; the host hears one gesture around both.
    let holders = 0;
    const hold = () => { if (holders++ === 0) bridge.beginGesture(c.id); };
    const letGo = () => { if (--holders === 0) bridge.endGesture(c.id); };
    const fineStep = c.type === "int" ? 1 / Math.max(1, c.max - c.min) : kFineStep;

    let drag = null;
    cap.addEventListener("pointerdown", (e) => {
      if (drag || e.button !== 0) return;
      const p = toPosition(c, state.values[c.id]);
      drag = { pointerId: e.pointerId, y: e.clientY, p, fine: e.shiftKey, lastY: e.clientY };
      cap.setPointerCapture(e.pointerId);
      hold();
    });
    cap.addEventListener("pointermove", (e) => {
      if (drag?.pointerId !== e.pointerId) return;
      if (e.shiftKey !== drag.fine) {
        // Shift pressed or let go mid-drag: the rate changes from the last position on,
        // so the knob carries on from where it is instead of jumping.
        drag = { ...drag, y: drag.lastY, p: toPosition(c, state.values[c.id]), fine: e.shiftKey };
      }
      drag.lastY = e.clientY;
      const pixels = kDragPixelsFullRange * (drag.fine ? kFineDragFactor : 1);
      set({ [c.id]: fromPosition(c, drag.p + (drag.y - e.clientY) / pixels) });
    });
    const endDrag = (e) => {
      if (drag?.pointerId !== e.pointerId) return;
      drag = null;
      letGo();
    };
    // A capture lost without a pointer up (the browser took the pointer away) still ends
    // the gesture; otherwise the host would wait forever for its end.
    for (const type of ["pointerup", "pointercancel", "lostpointercapture"]) cap.addEventListener(type, endDrag);
    cap.addEventListener("dblclick", () => set({ [c.id]: c.default }));

    // Wheel notches step like the arrow keys; a burst of them is one gesture.
    const wheel = { rest: 0, timer: 0 };
    cap.addEventListener("wheel", (e) => {
      e.preventDefault();
      const notches = e.wheelDeltaY
        ? e.wheelDeltaY / kWheelNotch
        : -e.deltaY / (e.deltaMode === WheelEvent.DOM_DELTA_LINE ? kWheelLinesPerNotch
          : e.deltaMode === WheelEvent.DOM_DELTA_PAGE ? 1 : kWheelPixelsPerNotch);
      wheel.rest += notches;
      const whole = Math.trunc(wheel.rest);  // a touchpad's fractions add up to notches
      wheel.rest -= whole;
      const value = fromPosition(c, toPosition(c, state.values[c.id]) + whole * fineStep);
      if (value === state.values[c.id]) return;  // at an end: no empty gesture for the host
      if (wheel.timer) clearTimeout(wheel.timer);
      else hold();
      wheel.timer = setTimeout(() => { wheel.timer = 0; wheel.rest = 0; letGo(); }, kWheelQuietMs);
      set({ [c.id]: value });
      if (drag) drag = { ...drag, y: drag.lastY, p: toPosition(c, value) };  // the drag goes on from here
    }, { passive: false });
    cap.addEventListener("keydown", (e) => {
      const direction = { ArrowUp: 1, ArrowRight: 1, ArrowDown: -1, ArrowLeft: -1 }[e.key];
      if (!direction) return;
      e.preventDefault();
      const step = c.type === "int" ? fineStep : e.shiftKey ? kCoarseStep : kFineStep;
      const value = fromPosition(c, toPosition(c, state.values[c.id]) + direction * step);
      if (value !== state.values[c.id]) set({ [c.id]: value });
    });
    redraws.push(() => {
      const v = state.values[c.id];
      const text = valueText(c, v);
      dial.style.transform = `rotate(${-kKnobSweepDegrees / 2 + kKnobSweepDegrees * toPosition(c, v)}deg)`;
      readout.textContent = text;
      cap.setAttribute("aria-valuenow", String(v));
      cap.setAttribute("aria-valuetext", text);
    });
    return box;
  }

  function choice(c, caption) {
    const box = el("div", "choice");
    const shownCaption = el("div", "caption", caption);
    shownCaption.setAttribute("aria-hidden", "true");
    box.append(shownCaption);
    if (c.choices.length > kChoiceListAbove) {
      const list = dropDown({
        label: caption, names: c.choices, className: "list",
        onChoose: (i) => set({ [c.id]: i }), onDone: returnFocus,
      });
      redraws.push(() => {
        const i = choiceIndex(c, state.values[c.id]);
        list.show(c.choices[i], i);
      });
      box.append(list.element);
      return box;
    }
    const group = el("div", "segments");
    group.setAttribute("role", "radiogroup");
    group.setAttribute("aria-label", caption);
    const buttons = c.choices.map((name, i) => {
      const b = button("segment", name);
      b.setAttribute("role", "radio");
      b.addEventListener("click", () => set({ [c.id]: i }));
      return b;
    });
    group.append(...buttons);
    redraws.push(() => {
      const index = roundHalfAway(state.values[c.id]);
      buttons.forEach((b, i) => {
        b.classList.toggle("checked", i === index);
        b.setAttribute("aria-checked", String(i === index));
      });
    });
    box.append(group);
    return box;
  }

  function lamp(c) {
    const b = button("lamp", undefined, c.label);
    b.setAttribute("role", "switch");
    b.addEventListener("click", () => set({ [c.id]: state.values[c.id] >= 0.5 ? 0 : 1 }));
    redraws.push(() => {
      const on = state.values[c.id] >= 0.5;
      b.classList.toggle("on", on);
      b.setAttribute("aria-checked", String(on));
    });
    return b;
  }

  function screen(kind) {
    const curve = kind === "filter" ? filterCurve : envelopeCurve;
    const picture = svg("svg", {
      class: "screen", viewBox: `0 0 ${kScreenWidth} ${kScreenHeight}`, preserveAspectRatio: "none",
      role: "img", "aria-label": kind === "filter" ? "Filter response" : "Envelope shape",
    });
    for (const f of [0.25, 0.5, 0.75]) {
      picture.append(svg("line", { class: "grid", x1: f * kScreenWidth, x2: f * kScreenWidth, y1: 0, y2: kScreenHeight }));
      picture.append(svg("line", { class: "grid", x1: 0, x2: kScreenWidth, y1: f * kScreenHeight, y2: f * kScreenHeight }));
    }
    const fill = svg("polygon", { class: "fill" });
    const line = svg("polyline", { class: "curve" });
    picture.append(fill, line);
    redraws.push(() => {
      const points = curve(state.values);
      const text = points.map(([x, y]) => `${x.toFixed(1)},${y.toFixed(1)}`).join(" ");
      const bottom = kScreenHeight.toFixed(1);
      line.setAttribute("points", text);
      fill.setAttribute("points", `${text} ${points.at(-1)[0].toFixed(1)},${bottom} ${points[0][0].toFixed(1)},${bottom}`);
    });
    return picture;
  }

  function cell(layout) {
    const box = el("section", "cell");
    box.setAttribute("aria-label", layout.title);
    const heading = el("div", "heading");
    heading.append(el("h2", "title", layout.title));
    if (controls.has(layout.switch)) heading.append(lamp(controls.get(layout.switch)));
    const body = el("div", "body");
    if (layout.screen === "filter" || layout.screen === "envelope") body.append(screen(layout.screen));
    const placed = (layout.controls ?? []).filter((id) => controls.has(id)).map((id) => controls.get(id));
    const caption = (c) => layout.labels?.[c.id] ?? c.label;
    const choices = placed.filter((c) => c.type === "choice");
    if (choices.length > 0) {
      const column = el("div", "choices");
      column.append(...choices.map((c) => choice(c, caption(c))));
      body.append(column);
    }
    for (const c of placed) {
      if (c.type === "float" || c.type === "int") body.append(knob(c, caption(c), layout.big?.includes(c.id)));
    }
    box.append(heading, body);
    return box;
  }

  function head() {
    const box = el("header", "head");
    const display = el("div", "display");
    const row = el("div", "preset-row");
    const previous = button("step", "<", "Previous preset");
    const next = button("step", ">", "Next preset");
    const list = dropDown({
      label: "Preset", names: presets.map((p) => p.name), className: "preset",
      onChoose: (i) => choosePreset(presets[i].name), onDone: returnFocus,
    });
    previous.addEventListener("click", () => stepPreset(-1));
    next.addEventListener("click", () => stepPreset(1));
    redraws.push(() => {
      const at = presets.findIndex((p) => p.name === state.preset);
      // The list stands at the chosen preset while it is unedited; otherwise the box
      // reads as the prompt would, so the user sees, say, "Acid Line (edited)".
      if (at >= 0 && !state.edited) list.show(state.preset, at);
      else if (state.preset === null) list.show(kPresetPrompt, -1);
      else list.show(at >= 0 || state.edited ? `${state.preset} (edited)` : state.preset, -1);
    });
    row.append(previous, list.element, next);
    display.append(el("div", "caption", "Preset"), row);
    box.append(el("div", "badge", "STROBE-95"), el("div", "tag", "Rave Synthesizer"), el("div", "stripes"), display);
    return box;
  }

  function keyboard(host) {
    const box = el("div", "keyboard");
    box.setAttribute("role", "group");
    box.setAttribute("aria-label", "Keys");
    const hint = el("div", "hint");
    const keys = [];
    const byPointer = new Map();  // pointer id -> the key it pressed

    const play = (key, on) => bridge.scheduleEvents({
      type: "wam-midi",
      time: bridge.context?.currentTime ?? 0,
      data: { bytes: on ? [kNoteOn, key, kPlayVelocity] : [kNoteOff, key, 0] },
    });
    const press = (key) => {
      state.lit.set(key, (state.lit.get(key) ?? 0) + 1);
      play(key, true);
      draw();
    };
    const release = (key) => {
      const holders = (state.lit.get(key) ?? 0) - 1;
      if (holders > 0) state.lit.set(key, holders);
      else state.lit.delete(key);
      play(key, false);
      draw();
    };

    let whites = 0;
    for (let offset = 0; offset < kKeyCount; offset++) {
      const black = kBlackOffsets.has(offset % kOctave);
      const key = el("div", black ? "key black" : "key white");
      key.setAttribute("role", "button");
      key.style.left = `${((black ? whites - kBlackKeyInset : whites) / kWhiteKeyCount) * 100}%`;
      key.style.width = `${((black ? kBlackKeyWidth : 1) / kWhiteKeyCount) * 100}%`;
      if (!black) whites++;
      key.addEventListener("pointerdown", (e) => {
        if (e.button !== 0 || byPointer.has(e.pointerId)) return;
        const number = state.base + offset;
        key.setPointerCapture(e.pointerId);
        byPointer.set(e.pointerId, number);
        press(number);
      });
      const up = (e) => {
        const number = byPointer.get(e.pointerId);
        if (number === undefined) return;
        byPointer.delete(e.pointerId);
        release(number);
      };
      for (const type of ["pointerup", "pointercancel", "lostpointercapture"]) key.addEventListener(type, up);
      key.addEventListener("click", (e) => {
        if (e.detail !== 0) return;  // a real pointer already played it
        const number = state.base + offset;
        press(number);
        setTimeout(() => release(number), kAssistiveNoteMs);
      });
      keys.push(key);
      box.append(key);
    }
    redraws.push(() => {
      keys.forEach((key, offset) => {
        const number = state.base + offset;
        const held = (state.lit.get(number) ?? 0) > 0;
        key.classList.toggle("pressed", held);
        key.setAttribute("aria-pressed", String(held));
        key.setAttribute("aria-label", `Play ${noteName(number)}`);
      });
      hint.textContent = `Keys ${noteName(state.base)} to ${noteName(state.base + kKeyCount - 1)}. ` +
        "Type A to K to play, Z and X for the octave";
    });

    const releaseTyped = () => {
      const held = [...state.typed.values()];
      state.typed.clear();
      held.forEach(release);
    };
    const onKeyDown = (e) => {
      if (e.repeat || e.metaKey || e.ctrlKey || e.altKey) return;
      const origin = e.composedPath()[0];
      if (origin instanceof Element && origin.matches("input, select, textarea, [role=combobox]")) return;
      const letter = e.key?.length === 1 ? e.key.toLowerCase() : "";
      if (letter === "z" || letter === "x") {
        state.base = Math.min(kHighestBase, Math.max(kLowestBase, state.base + (letter === "z" ? -kOctave : kOctave)));
        draw();
        return;
      }
      const offset = letter ? kTypingLetters.indexOf(letter) : -1;
      if (offset < 0 || state.typed.has(letter)) return;
      state.typed.set(letter, state.base + offset);
      press(state.base + offset);
    };
    const onKeyUp = (e) => {
      const letter = e.key?.length === 1 ? e.key.toLowerCase() : "";
      if (!state.typed.has(letter)) return;
      const key = state.typed.get(letter);
      state.typed.delete(letter);
      release(key);
    };
    // A page that is only the faceplate plays wherever the focus is; an embedding page
    // plays only while the faceplate has the focus. Releases are heard everywhere, so a
    // key let go after the focus moved does not hang.
    const wholeWindow = document.documentElement.hasAttribute("data-strobe95-keys");
    if (!wholeWindow) host.tabIndex = 0;
    (wholeWindow ? window : host).addEventListener("keydown", onKeyDown);
    window.addEventListener("keyup", onKeyUp);
    window.addEventListener("blur", releaseTyped);
    return [hint, box];
  }

  const style = el("style");
  style.textContent = kStyleSheet;
  face.append(...screws(), head());
  for (const band of description.faceplate) {
    const row = el("div", "band");
    row.style.gridTemplateColumns = band.columns;
    row.append(...(band.cells ?? []).map(cell));
    face.append(row);
  }
  face.append(...keyboard(host));
  root.append(style, face);

  host.setValues = (updates, presetState) => {
    for (const [id, value] of Object.entries(updates ?? {})) {
      if (controls.has(id) && typeof value === "number" && Number.isFinite(value)) state.values[id] = value;
    }
    if (presetState) {
      state.preset = presetState.preset ? String(presetState.preset) : null;
      state.edited = Boolean(presetState.edited);
    }
    draw();
  };
  draw();
  return host;
}

const kStyleSheet = `
:host { display: block; }
* { box-sizing: border-box; }
.face {
  position: relative; max-width: 980px; margin: 0 auto; padding: 17px 20px 18px; border-radius: 16px;
  color: #0d2f86; user-select: none; -webkit-user-select: none;
  background:
    repeating-linear-gradient(90deg, rgba(255, 230, 196, 0.07) 0 1px, transparent 1px 5px),
    linear-gradient(180deg, #f2a04e 0%, #e57c1a 22%, #e57c1a 70%, #c96206 100%);
  box-shadow: inset 0 2px 0 rgba(255, 230, 196, 0.55), inset 0 -3px 0 rgba(80, 30, 0, 0.35),
    0 6px 18px rgba(0, 0, 0, 0.55);
}
.caption, .tag, .title, .hint {
  font-family: "Press Start 2P", monospace; font-size: 8px; text-transform: uppercase;
  line-height: 1.2;
}
button, .drop-down { font-family: "VT323", monospace; }
:focus-visible { outline: 2px solid #1f5fe0; outline-offset: 2px; }
.face:focus { outline: none; }
/* A screw's centre sits 10 px in from both edges: inside the rounded corner, and the
   margin is wide enough that no panel or frame reaches it. */
.screw {
  position: absolute; width: 10px; height: 10px; border-radius: 50%; pointer-events: none;
  background: radial-gradient(circle, #d9d4cc 0 1.6px, #6b625a 2px 3.4px, #4a2a0c 3.8px);
  box-shadow: 0 1px 1px rgba(60, 20, 0, 0.5);
}
.screw.top-left { left: 5px; top: 5px; }
.screw.top-right { right: 5px; top: 5px; }
.screw.bottom-left { left: 5px; bottom: 5px; }
.screw.bottom-right { right: 5px; bottom: 5px; }

.head { display: flex; align-items: center; gap: 14px; margin-bottom: 11px; }
.badge {
  font-family: "Orbitron", sans-serif; font-weight: 900; font-style: italic; font-size: 22px;
  letter-spacing: 1px; color: #ffe6c4; background: #0d2f86; padding: 8px 14px 7px;
  border-radius: 6px; box-shadow: inset 0 -3px 0 #071a4a, 0 2px 0 rgba(80, 30, 0, 0.4);
  text-shadow: 2px 2px 0 #1f5fe0;
}
.tag { font-size: 8px; line-height: 1.6; max-width: 90px; }
.stripes {
  flex: 1; align-self: stretch; margin: 10px 0; border-radius: 3px;
  background: repeating-linear-gradient(-60deg, #0d2f86 0 7px, #1f5fe0 7px 10px, transparent 10px 18px);
}
.display {
  background: #071a4a; border-radius: 8px; padding: 7px 10px 8px; color: #9fd4ff;
  box-shadow: inset 0 0 10px rgba(0, 0, 0, 0.8), 0 0 0 3px #0d2f86;
}
.display .caption { text-shadow: 0 0 6px rgba(159, 212, 255, 0.7); margin-bottom: 5px; }
.preset-row { display: flex; gap: 6px; align-items: center; }
.display .drop-box, .display .step {
  font-size: 21px; line-height: 22px; color: #9fd4ff; background: #0b2463; border: 1px solid #1f5fe0;
  border-radius: 4px; text-shadow: 0 0 6px rgba(159, 212, 255, 0.8);
}
.display .drop-box { width: 230px; padding: 0 4px; }
.display .step { width: 28px; padding: 0; cursor: pointer; }

.band { display: grid; column-gap: 24px; margin-bottom: 22px; }
.cell {
  display: flex; flex-direction: column; min-width: 0; border-radius: 8px; padding: 5px 4px 6px;
  background: rgba(255, 230, 196, 0.16); border: 2px solid rgba(13, 47, 134, 0.55);
  box-shadow: inset 0 1px 0 rgba(255, 230, 196, 0.4);
}
.heading { display: flex; align-items: center; gap: 8px; margin: 0 4px 5px; }
.title {
  margin: 0; font-weight: normal; font-size: 8px; color: #ffe6c4; background: #0d2f86;
  padding: 4px 6px 3px; border-radius: 3px;
}
.lamp {
  width: 13px; height: 13px; padding: 0; border: 2px solid #0d2f86; border-radius: 2px;
  background: #5a3006; box-shadow: inset 0 1px 2px rgba(0, 0, 0, 0.6); cursor: pointer;
}
.lamp.on { background: #9fd4ff; box-shadow: 0 0 8px 2px rgba(159, 212, 255, 0.9), inset 0 0 3px #fff; }
.body {
  flex: 1; display: flex; flex-wrap: wrap; align-items: flex-end; justify-content: space-around;
  gap: 6px 0;
}
.screen {
  flex: 0 0 calc(100% - 8px); height: 62px; background: #071a4a; border-radius: 5px;
  box-shadow: inset 0 0 8px rgba(0, 0, 0, 0.9), 0 0 0 2px #0d2f86;
}
.screen .grid { stroke: rgba(159, 212, 255, 0.18); stroke-width: 1; vector-effect: non-scaling-stroke; }
.screen .curve {
  fill: none; stroke: #9fd4ff; stroke-width: 1.6; vector-effect: non-scaling-stroke;
  filter: drop-shadow(0 0 2px rgba(159, 212, 255, 0.9));
}
.screen .fill { fill: rgba(159, 212, 255, 0.14); stroke: none; }

.knob { width: 72px; display: flex; flex-direction: column; align-items: center; }
.knob.big { width: 84px; }
.cap {
  position: relative; width: 52px; height: 52px; border-radius: 50%; cursor: ns-resize;
  touch-action: none; border: 3px solid #e57c1a;
  background: radial-gradient(circle at 38% 32%, #3a3f52 0%, #161a26 55%, #07090f 100%);
  box-shadow: 0 0 0 2px #0d2f86, 0 3px 5px rgba(60, 20, 0, 0.6);
}
.knob.big .cap { width: 70px; height: 70px; }
.dial { position: absolute; inset: 0; border-radius: 50%; }
.pointer {
  position: absolute; left: 50%; top: 4px; width: 3px; height: 38%; margin-left: -1.5px;
  border-radius: 2px; background: #f2a04e; box-shadow: 0 0 3px rgba(242, 160, 78, 0.9);
}
.knob .caption { margin-top: 7px; text-align: center; white-space: nowrap; }
.readout {
  margin-top: 3px; min-width: 52px; padding: 0 4px; text-align: center; border-radius: 3px;
  font-family: "VT323", monospace; font-size: 16px; line-height: 16px;
  color: #9fd4ff; background: #071a4a; text-shadow: 0 0 5px rgba(159, 212, 255, 0.7);
}

.choices { display: flex; flex-direction: column; gap: 5px; align-self: flex-start; padding-left: 4px; }
.choice .caption { margin-bottom: 4px; }
.list { font-size: 17px; }
.list .drop-box {
  color: #9fd4ff; background: #071a4a; border: 1px solid #0d2f86; border-radius: 3px;
  padding: 0 3px 0 4px; width: min(98px, calc(var(--chars) * 1ch + 25px)); line-height: 19px;
}

.drop-down { position: relative; }
.drop-box { display: flex; align-items: center; gap: 4px; cursor: pointer; white-space: nowrap; }
.drop-text { flex: 1; min-width: 0; overflow: hidden; text-overflow: ellipsis; }
.drop-box::after {
  content: ""; flex: none; margin-top: 3px; border: 5px solid transparent; border-top: 6px solid currentColor;
}
.drop-list {
  display: none; position: absolute; left: 0; top: calc(100% + 2px); z-index: 10; min-width: 100%;
  padding: 2px 0; background: #071a4a; border: 1px solid #1f5fe0; border-radius: 4px;
  box-shadow: 0 6px 16px rgba(0, 0, 0, 0.7);
}
.drop-down.open .drop-list { display: block; }
.drop-list.above { top: auto; bottom: calc(100% + 2px); }
.option {
  padding: 0 10px 0 14px; white-space: nowrap; cursor: pointer; color: #9fd4ff;
  line-height: 1.05; position: relative;
}
.option.current { color: #ffe6c4; }
.option.current::before { content: ""; position: absolute; left: 5px; top: 50%; margin-top: -3px;
  border: 3px solid transparent; border-left: 5px solid #f2a04e; }
.option.active { color: #071a4a; background: #9fd4ff; }
.option.active.current::before { border-left-color: #071a4a; }
.segments { display: flex; }
.segment {
  font-size: 16px; line-height: 16px; padding: 2px 6px; color: #0d2f86; background: #ffe6c4;
  border: 1px solid #0d2f86; margin-left: -1px; cursor: pointer;
}
.segment:first-child { border-radius: 3px 0 0 3px; margin-left: 0; }
.segment:last-child { border-radius: 0 3px 3px 0; }
.segment.checked { background: #1f5fe0; color: #ffe6c4; border-color: #0d2f86; }

.hint { margin: 0 2px 6px; }
.keyboard {
  position: relative; height: 160px; border-radius: 6px; overflow: hidden; touch-action: none;
  background: #0d2f86; border: 3px solid #0d2f86; box-shadow: 0 3px 6px rgba(60, 20, 0, 0.5);
}
.key { position: absolute; top: 0; cursor: pointer; }
.key.white {
  bottom: 0; border-right: 1px solid #0d2f86; border-radius: 0 0 4px 4px;
  background: linear-gradient(180deg, #fffaf2 0%, #ffe6c4 100%);
}
.key.black {
  height: 62%; z-index: 1; border-radius: 0 0 3px 3px;
  background: linear-gradient(180deg, #111524 0%, #1d2336 85%, #05070d 100%);
  box-shadow: 0 2px 3px rgba(0, 0, 0, 0.6);
}
.key.white.pressed { background: #f2a04e; }
.key.black.pressed { background: #c96206; }
`;
