// Measurements taken inside the faceplate page. The Chromium tests and the test of the
// real WebKitGTK editor both load this script, so both engines are judged by one rule.
// A plain script, not a module: the editor test runs it as text in the page.
window.strobeProbes = (() => {
  const root = () => document.querySelector(".strobe95-gui").shadowRoot;
  const rectOf = (element) => {
    const r = element.getBoundingClientRect();
    return { x: r.left, y: r.top, width: r.width, height: r.height };
  };
  const inflate = (r, by) => ({ x: r.x - by, y: r.y - by, width: r.width + 2 * by, height: r.height + 2 * by });
  const comboboxNamed = (label) => root().querySelector(`[role=combobox][aria-label="${label}"]`);

  // The list's closed box and, when open, its pop-up and entries, in window pixels.
  function list(label) {
    const box = comboboxNamed(label);
    const popup = root().getElementById(box.getAttribute("aria-controls"));
    const open = box.getAttribute("aria-expanded") === "true";
    const entries = [...popup.querySelectorAll("[role=option]")];
    return {
      box: rectOf(box),
      open,
      popup: open ? rectOf(popup) : null,
      scrolls: open && popup.scrollHeight > popup.clientHeight + 1,
      window: { width: window.innerWidth, height: window.innerHeight },
      options: open ? entries.map((o) => ({
        name: o.textContent, rect: rectOf(o), active: o.getAttribute("aria-selected") === "true",
      })) : [],
    };
  }

  // What has the keys: a control's accessible name, or "faceplate" for the panel itself.
  function focused() {
    const inner = document.activeElement?.shadowRoot?.activeElement;
    if (!inner) return document.activeElement === document.body ? "page" : "outside";
    if (inner.classList.contains("face")) return "faceplate";
    return inner.getAttribute("aria-label") ?? inner.textContent;
  }

  // The screws must lie inside the faceplate's rounded outline and clear of every panel
  // and frame (the preset display's ring included).
  function screws() {
    const face = root().querySelector(".face");
    const faceRect = rectOf(face);
    const radius = parseFloat(getComputedStyle(face).borderTopLeftRadius);
    const display = root().querySelector(".display");
    const ring = parseFloat(getComputedStyle(display).boxShadow.match(/0px 0px 0px (\d+)px/)?.[1] ?? "0");
    const panels = [
      ...[...root().querySelectorAll(".head > *")].map((e) => [e.className, rectOf(e)]),
      ["display ring", inflate(rectOf(display), ring)],
      ...[...root().querySelectorAll(".cell")].map((e) => [`cell ${e.getAttribute("aria-label")}`, rectOf(e)]),
      ["hint", rectOf(root().querySelector(".hint"))],
      ["keyboard", rectOf(root().querySelector(".keyboard"))],
    ];
    const found = [...root().querySelectorAll(".screw")].map((screw) => {
      const r = rectOf(screw);
      const c = { x: r.x + r.width / 2, y: r.y + r.height / 2, r: r.width / 2 };
      const gap = (p) => Math.hypot(Math.max(p.x - c.x, 0, c.x - p.x - p.width), Math.max(p.y - c.y, 0, c.y - p.y - p.height)) - c.r;
      const clearance = Math.min(...panels.map(([, p]) => gap(p)));
      const touches = panels.filter(([, p]) => gap(p) < 1).map(([name]) => name);
      // The centre of the corner's arc, and how far the screw's edge stays inside it.
      const arc = {
        x: c.x < faceRect.x + faceRect.width / 2 ? faceRect.x + radius : faceRect.x + faceRect.width - radius,
        y: c.y < faceRect.y + faceRect.height / 2 ? faceRect.y + radius : faceRect.y + faceRect.height - radius,
      };
      const inCorner = Math.sign(c.x - arc.x) === Math.sign(c.x - (faceRect.x + faceRect.width / 2)) &&
        Math.sign(c.y - arc.y) === Math.sign(c.y - (faceRect.y + faceRect.height / 2));
      const inside = inCorner ? Math.hypot(c.x - arc.x, c.y - arc.y) + c.r <= radius
        : c.x - c.r >= faceRect.x && c.x + c.r <= faceRect.x + faceRect.width &&
          c.y - c.r >= faceRect.y && c.y + c.r <= faceRect.y + faceRect.height;
      return { corner: screw.classList[1], clearance, touches, inside };
    });
    return found;
  }

  // A knob's cap in window pixels and the value it shows.
  function knob(label) {
    const cap = root().querySelector(`[role=slider][aria-label="${label}"]`);
    return { rect: rectOf(cap), value: Number(cap.getAttribute("aria-valuenow")) };
  }

  return { list, focused, screws, knob };
})();
