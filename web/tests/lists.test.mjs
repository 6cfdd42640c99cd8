// The drop-down lists (preset, Sample, Mode, Time): how they read, closed and open, how
// they work from the keyboard, and that a choice gives the keys back to the faceplate.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { mkdir } from "node:fs/promises";
import path from "node:path";
import { decodePng, luminance, textContrast } from "./pixels.mjs";
import { description, openFaceplate, startBrowserAndServer, triple, webDir } from "./harness.mjs";

const artefacts = path.resolve(webDir, "../build/web");
const kLists = ["Preset", "Sample", "Mode", "Time"];
const kMinimumContrast = 4.5;   // the guidelines' level AA for body text
const kDarkest = 0.1;           // a background at or below this luminance counts as dark

let env;
before(async () => {
  env = await startBrowserAndServer();
  await mkdir(artefacts, { recursive: true });
});
after(() => env.close());

const notes = (calls) => calls.filter(([name]) => name === "strobeNote");

test("every list reads light on dark, closed and open, and the preset list shows all 18 at once", async (t) => {
  const face = await openFaceplate(env);
  await face.page.evaluate(() => document.fonts.ready);
  const closed = decodePng(await face.page.screenshot());
  for (const name of kLists) {
    const { box } = await face.probe("list", name);
    const shut = textContrast(closed, box);
    await face.list(name).click();
    // The entry the pointer rests on is drawn inverted; measure both kinds of entry.
    const entries = (await face.probe("list", name)).options;
    await face.page.mouse.move(entries[1].rect.x + 20, entries[1].rect.y + entries[1].rect.height / 2);
    const shot = await face.page.screenshot({ path: path.join(artefacts, `list-open-${name.toLowerCase()}.png`) });
    const open = decodePng(shot);
    const list = await face.probe("list", name);
    const plain = textContrast(open, list.options.at(-1).rect);
    const pointed = textContrast(open, list.options[1].rect);
    t.diagnostic(`${name}: closed ${shut.ratio.toFixed(1)}:1, entry ${plain.ratio.toFixed(1)}:1, ` +
      `pointed entry ${pointed.ratio.toFixed(1)}:1`);
    for (const [what, m] of [["closed", shut], ["entry", plain], ["pointed entry", pointed]]) {
      assert.ok(m.ratio >= kMinimumContrast, `${name} ${what}: ${m.ratio.toFixed(2)} (${m.text} on ${m.background})`);
    }
    assert.ok(luminance(shut.background) <= kDarkest, `${name} closed background ${shut.background}`);
    assert.ok(luminance(plain.background) <= kDarkest, `${name} open background ${plain.background}`);
    assert.equal(list.options[1].active, true, "the entry under the pointer is the active one");
    // Whole in the window, nothing to scroll.
    assert.equal(list.scrolls, false, name);
    assert.ok(list.popup.y >= 0 && list.popup.y + list.popup.height <= list.window.height, `${name} ${JSON.stringify(list.popup)}`);
    if (name === "Preset") assert.equal(list.options.length, description.presets.length);
    await face.page.keyboard.press("Escape");
  }
  await face.close();
});

test("after a choice the letters play again and Tab still reaches the lists", async () => {
  // Each way of finishing with a list, and what it should have chosen.
  const ways = [
    ["a click on an entry", async (face) => face.choose("Preset", "Acid Line"), "Acid Line"],
    ["keys: Enter on an entry", async (face) => {
      await face.list("Preset").focus();
      await face.page.keyboard.press("ArrowDown");
      await face.page.keyboard.press("End");
      await face.page.keyboard.press("Enter");
    }, "Riser"],
    ["the box clicked open and shut", async (face) => {
      await face.list("Preset").click();
      await face.list("Preset").click();
    }, "Choose a sound..."],
    ["a click on the entry already chosen", async (face) => face.choose("Time", "3/16"), "Choose a sound..."],
  ];
  for (const [way, finish, preset] of ways) {
    const face = await openFaceplate(env);
    await finish(face);
    assert.equal(await face.probe("focused"), "faceplate", way);
    assert.equal(await face.shown("Preset"), preset, way);
    await face.take();
    // "a" plays the C of the keyboard's base (C3), instead of searching the list for "Acid Line".
    await face.page.keyboard.press("a");
    assert.deepEqual(notes(await face.take()), [["strobeNote", 48, true], ["strobeNote", 48, false]], way);
    assert.equal(await face.shown("Preset"), preset, way);

    const reached = [];
    for (let i = 0; i < 60 && reached.length < kLists.length; i++) {
      await face.page.keyboard.press("Tab");
      const at = await face.probe("focused");
      if (kLists.includes(at) && !reached.includes(at)) reached.push(at);
    }
    assert.deepEqual(reached, kLists, way);
    await face.close();
  }
});

test("from the keyboard a list opens, moves, searches, chooses and cancels like a select", async () => {
  const face = await openFaceplate(env);
  const { page } = face;
  const mode = face.list("Mode");
  await mode.focus();
  assert.equal(await mode.getAttribute("aria-expanded"), "false");
  await page.keyboard.press("ArrowDown");  // opens at the current entry, changing nothing
  assert.equal(await mode.getAttribute("aria-expanded"), "true");
  const active = () => mode.evaluate((box) => box.getRootNode().getElementById(box.getAttribute("aria-activedescendant"))?.textContent);
  assert.equal(await active(), "Up");
  await page.keyboard.press("ArrowDown");
  await page.keyboard.press("ArrowDown");
  assert.equal(await active(), "Up-Down");
  await page.keyboard.press("Escape");     // cancels: closed, unchanged, still focused
  assert.equal(await mode.getAttribute("aria-expanded"), "false");
  assert.equal(await face.probe("focused"), "Mode");
  assert.deepEqual(await face.take(), []);

  const cases = [
    // [keys, the entry chosen, the value sent]
    [["ArrowDown", "ArrowDown", "Enter"], "Down", 1],
    [["p", "Enter"], "Pedal", 5],              // letters search, and do not play
    [["Home", "Enter"], "Up", 0],
    [[" ", "a", "s", "Enter"], "As Played", 4],  // typed together: "as" finds "As Played"
    [["End", "Enter"], "Pedal", 5],
  ];
  for (const [keys, entry, value] of cases) {
    await mode.focus();
    for (const key of keys) await page.keyboard.press(key);
    assert.equal(await face.shown("Mode"), entry, keys.join(" "));
    assert.equal(await mode.getAttribute("aria-expanded"), "false");
    assert.deepEqual(await face.take(), triple("arp_mode", value), keys.join(" "));
  }
  await face.close();
});

test("an open list closes without a change when the pointer presses elsewhere or the window loses focus", async () => {
  const face = await openFaceplate(env);
  for (const leave of [
    () => face.page.mouse.click(500, 840),                                    // the faceplate's margin
    () => face.page.evaluate(() => window.dispatchEvent(new Event("blur"))),  // another window
  ]) {
    await face.list("Sample").click();
    assert.equal(await face.list("Sample").getAttribute("aria-expanded"), "true");
    await leave();
    assert.equal(await face.list("Sample").getAttribute("aria-expanded"), "false");
  }
  assert.deepEqual(await face.take(), []);
  assert.equal(await face.shown("Sample"), "Orch Hit");
  await face.close();
});

test("a list opens above its box when the window has no room below it", async () => {
  const face = await openFaceplate(env, { context: { viewport: { width: 1000, height: 600 } } });
  await face.list("Time").click();
  const { box, popup } = await face.probe("list", "Time");
  assert.ok(popup.y + popup.height <= box.y, `${JSON.stringify(popup)} above ${JSON.stringify(box)}`);
  await face.list("Sample").click();  // near the top: below, as usual
  const sample = await face.probe("list", "Sample");
  assert.ok(sample.popup.y >= sample.box.y + sample.box.height);
  await face.close();
});
