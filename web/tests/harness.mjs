// Starts Debian's Chromium headless and opens the faceplate with a stand-in for the
// plugin's five bindings that records every call.
import { readFileSync } from "node:fs";
import path from "node:path";
import { chromium } from "playwright-core";
import { startServer, webDir } from "./server.mjs";

export { webDir };

export const description = JSON.parse(readFileSync(path.join(webDir, "parameters.json"), "utf8"));
export const controls = description.sections.flatMap((s) => (s.switch ? [s.switch] : []).concat(s.controls));
export const parameterIds = controls.map((c) => c.id);
export const defaults = Object.fromEntries(controls.map((c) => [c.id, c.default]));

export async function startBrowserAndServer(extra) {
  // launch() gives every run a fresh temporary profile of its own.
  const browser = await chromium.launch({
    executablePath: "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync"],
  });
  const server = await startServer(extra);
  return { browser, server, close: async () => { await browser.close(); await server.close(); } };
}

// Runs in the page before any of its scripts. `init`: "state" answers strobeInit with the
// given state, "fail" rejects it, "absent" leaves every binding undefined.
function standIn({ state, init }) {
  window.__calls = [];
  if (init === "absent") return;
  window.strobeInit = (...args) => {
    window.__calls.push(["strobeInit", ...args]);
    return init === "fail" ? Promise.reject(new Error("no plugin")) : Promise.resolve(structuredClone(state));
  };
  for (const name of ["strobeSet", "strobeGesture", "strobePreset", "strobeNote"]) {
    window[name] = (...args) => {
      window.__calls.push([name, ...args]);
      return Promise.resolve(null);
    };
  }
}

export async function openFaceplate(env, { values = {}, preset = "", edited = false, init = "state",
  path: at = "/", waitForRefresh = true, context: contextOptions = {}, beforeLoad } = {}) {
  const context = await env.browser.newContext({ viewport: { width: 1000, height: 850 }, ...contextOptions });
  const page = await context.newPage();
  const errors = [];
  const outside = [];
  const missing = [];
  page.on("pageerror", (e) => errors.push(e.message));
  page.on("response", (r) => { if (r.status() >= 400) missing.push(new URL(r.url()).pathname); });
  page.on("request", (r) => { if (!r.url().startsWith(env.server.origin + "/")) outside.push(r.url()); });
  await page.addInitScript(standIn, { state: { values: { ...defaults, ...values }, preset, edited }, init });
  if (beforeLoad) await beforeLoad(page);
  await page.goto(env.server.origin + at);
  if (waitForRefresh) {
    await page.waitForFunction(() => typeof window.strobeRefresh === "function");
    await page.addScriptTag({ path: path.join(webDir, "tests", "probes.js") });
  }
  const face = {
    page, errors, outside, missing,
    close: () => context.close(),
    calls: () => page.evaluate(() => window.__calls),
    // Calls the page made since the last take, start-up reads excluded.
    async take() {
      const calls = await page.evaluate(() => window.__calls.splice(0));
      return calls.filter(([name]) => name !== "strobeInit");
    },
    push: (state) => page.evaluate((s) => window.strobeRefresh(s), state),
    slider: (name) => page.getByRole("slider", { name, exact: true }),
    readout: (name) => page.locator(".knob", { has: page.getByRole("slider", { name, exact: true }) }).locator(".readout"),
    key: (name) => page.getByRole("button", { name: `Play ${name}`, exact: true }),
    hint: () => page.locator(".hint").textContent(),
    // One of the measurements in probes.js, taken in the page.
    probe: (name, ...args) => page.evaluate(([n, a]) => window.strobeProbes[n](...a), [name, args]),
    list: (name) => page.getByRole("combobox", { name, exact: true }),
    // What a closed list reads, and the entry its open list would stand at ("" for none).
    shown: (name) => page.getByRole("combobox", { name, exact: true }).textContent(),
    standsAt: (name) => page.getByRole("combobox", { name, exact: true }).evaluate((box) =>
      box.getRootNode().getElementById(box.getAttribute("aria-controls")).querySelector(".current")?.textContent ?? ""),
    // Picks an entry the way a mouse user does: open the list, click the entry.
    async choose(name, entry) {
      await page.getByRole("combobox", { name, exact: true }).click();
      await page.getByRole("listbox", { name, exact: true }).getByRole("option", { name: entry, exact: true }).click();
    },
    async center(locator) {
      const box = await locator.boundingBox();
      return [box.x + box.width / 2, box.y + box.height / 2];
    },
  };
  return face;
}

export const triple = (id, value) => [["strobeGesture", id, true], ["strobeSet", id, value], ["strobeGesture", id, false]];
