// The preset chooser: choosing, stepping with wrap-around, and the "(edited)" display.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { defaults, description, openFaceplate, parameterIds, startBrowserAndServer, triple } from "./harness.mjs";

let env;
before(async () => { env = await startBrowserAndServer(); });
after(() => env.close());

const shown = (face) => face.shown("Preset");
const presetNamed = (name) => description.presets.find((p) => p.name === name);

test("the chooser reads as the prompt and lists the 18 presets in order", async () => {
  const face = await openFaceplate(env);
  assert.equal(await shown(face), "Choose a sound...");
  await face.list("Preset").click();
  const options = await face.page.getByRole("listbox", { name: "Preset" }).getByRole("option").allTextContents();
  assert.deepEqual(options, description.presets.map((p) => p.name));
  await face.close();
});

test("choosing a preset names it first, then sends all 37 parameters as triples", async () => {
  const face = await openFaceplate(env);
  await face.choose("Preset", "Hoover");
  const calls = await face.take();
  assert.deepEqual(calls[0], ["strobePreset", "Hoover", false]);
  // Every parameter, in the plugin's order: Hoover's own values, defaults for the rest.
  const hoover = presetNamed("Hoover").values;
  const expected = parameterIds.flatMap((id) => triple(id, id in hoover ? hoover[id] : defaults[id]));
  assert.deepEqual(calls.slice(1), expected);
  assert.equal(calls.length, 1 + 37 * 3);
  assert.equal(await shown(face), "Hoover");
  assert.equal(await face.readout("Cutoff").textContent(), "3.5 kHz");
  assert.equal(await face.readout("Attack").textContent(), "20 ms");
  await face.close();
});

test("the first edit after a preset reports it edited before its value, and only once", async () => {
  const face = await openFaceplate(env);
  await face.choose("Preset", "Hoover");
  await face.take();
  const [x, y] = await face.center(face.slider("Drive"));
  await face.page.mouse.move(x, y);
  await face.page.mouse.down();
  await face.page.mouse.move(x, y - 10, { steps: 2 });
  await face.page.mouse.up();
  const calls = await face.take();
  assert.deepEqual(calls.slice(0, 2), [["strobeGesture", "drive", true], ["strobePreset", "Hoover", true]]);
  assert.equal(calls[2][0], "strobeSet");
  assert.equal(calls.filter(([name]) => name === "strobePreset").length, 1);
  assert.equal(await shown(face), "Hoover (edited)");
  assert.equal(await face.standsAt("Preset"), "");

  await face.page.getByRole("switch", { name: "Arp" }).click();
  assert.deepEqual(await face.take(), triple("arp_on", 1));
  // Choosing again clears the mark.
  await face.choose("Preset", "Hoover");
  assert.deepEqual((await face.take())[0], ["strobePreset", "Hoover", false]);
  assert.equal(await shown(face), "Hoover");
  await face.close();
});

test("without a chosen preset an edit reports nothing about presets", async () => {
  const face = await openFaceplate(env);
  await face.page.getByRole("radio", { name: "Even" }).click();
  assert.deepEqual(await face.take(), triple("arp_feel", 0));
  assert.equal(await shown(face), "Choose a sound...");
  await face.close();
});

test("stepping wraps at both ends and starts at an end when nothing is chosen", async () => {
  const cases = [
    // [preset at start-up, edited, button, preset chosen]
    ["", false, "Previous preset", "Riser"],
    ["", false, "Next preset", "Init"],
    ["Riser", false, "Next preset", "Init"],
    ["Init", false, "Previous preset", "Riser"],
    ["Hoover", true, "Next preset", "Acid Line"],      // an edited preset still has its place
    ["Gone Preset", false, "Previous preset", "Riser"],  // a name the list does not have
  ];
  for (const [preset, edited, label, chosen] of cases) {
    const face = await openFaceplate(env, { preset, edited });
    await face.page.getByRole("button", { name: label }).click();
    const calls = await face.take();
    assert.deepEqual(calls[0], ["strobePreset", chosen, false], `${preset} ${label}`);
    assert.equal(calls.length, 1 + 37 * 3);
    assert.equal(await shown(face), chosen);
    await face.close();
  }
});

test("the chooser shows the preset state the plugin reports at start-up", async () => {
  const cases = [
    ["Acid Line", false, "Acid Line", "Acid Line"],
    ["Acid Line", true, "Acid Line (edited)", ""],
    ["", true, "Choose a sound...", ""],
  ];
  for (const [preset, edited, text, value] of cases) {
    const face = await openFaceplate(env, { preset, edited });
    assert.equal(await shown(face), text);
    assert.equal(await face.standsAt("Preset"), value);
    assert.deepEqual(await face.take(), []);
    await face.close();
  }
});

test("a preset reported by the plugin is marked edited on the page's first change", async () => {
  const face = await openFaceplate(env, { preset: "Pad Wash" });
  await face.push({ values: {}, preset: "Riser", edited: false });
  assert.equal(await shown(face), "Riser");
  await face.page.getByRole("radio", { name: "1/8" }).click();
  assert.deepEqual(await face.take(), [["strobePreset", "Riser", true], ...triple("arp_rate", 0)]);
  await face.close();
});
