// Knobs, choices, switches, screens and the plugin's pushes, driven through Chromium.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { defaults, openFaceplate, startBrowserAndServer, triple } from "./harness.mjs";

let env;
before(async () => { env = await startBrowserAndServer(); });
after(() => env.close());

const valuesOf = (calls, id) => calls.filter(([name, cid]) => name === "strobeSet" && cid === id).map((c) => c[2]);

test("dragging the cutoff knob 80 px up from 40 Hz reaches 800 Hz in one gesture", async () => {
  const face = await openFaceplate(env, { values: { cutoff: 40 } });
  const [x, y] = await face.center(face.slider("Cutoff"));
  await face.page.mouse.move(x, y);
  await face.page.mouse.down();
  await face.page.mouse.move(x, y - 80, { steps: 8 });
  await face.page.mouse.up();
  const calls = await face.take();
  // 80 of the 160 px full travel is half the log range: the geometric mean of 40 and 16000.
  const sent = valuesOf(calls, "cutoff");
  assert.ok(Math.abs(sent.at(-1) - Math.sqrt(40 * 16000)) < 1e-9, `last value ${sent.at(-1)}`);
  assert.ok(sent.length >= 2, "one value per pointer move");
  assert.deepEqual(calls[0], ["strobeGesture", "cutoff", true]);
  assert.deepEqual(calls.at(-1), ["strobeGesture", "cutoff", false]);
  assert.equal(calls.filter(([name]) => name === "strobeGesture").length, 2);
  assert.equal(await face.readout("Cutoff").textContent(), "800 Hz");
  assert.equal(await face.slider("Cutoff").getAttribute("aria-valuetext"), "800 Hz");
  await face.close();
});

test("a drag beyond either end of the travel stops at the range limits", async () => {
  const face = await openFaceplate(env);
  const [x, y] = await face.center(face.slider("Sustain"));
  await face.page.mouse.move(x, y);
  await face.page.mouse.down();
  await face.page.mouse.move(x, y - 300, { steps: 3 });
  await face.page.mouse.move(x, y + 400, { steps: 3 });
  await face.page.mouse.up();
  const sent = valuesOf(await face.take(), "sustain");
  assert.equal(Math.max(...sent), 1);
  assert.equal(sent.at(-1), 0);
  await face.close();
});

test("a drag whose pointer capture is taken away still ends its gesture", async () => {
  const face = await openFaceplate(env);
  const [x, y] = await face.center(face.slider("Glide"));
  await face.page.mouse.move(x, y);
  await face.page.mouse.down();
  await face.page.mouse.move(x, y - 16);
  await face.slider("Glide").evaluate((cap) => cap.releasePointerCapture(1));  // the mouse's pointer id
  await face.page.mouse.move(x, y - 32);
  await face.page.mouse.up();
  assert.deepEqual(await face.take(), [["strobeGesture", "glide", true], ["strobeSet", "glide", 0.1], ["strobeGesture", "glide", false]]);
  await face.close();
});

test("readouts follow the value text rules", async () => {
  const face = await openFaceplate(env);
  const cases = [
    ["Attack", "attack", 0.005, "5 ms"],
    ["Release", "release", 1.2, "1.20 s"],
    ["Decay", "decay", 0.9995, "1000 ms"],      // the unit is chosen before rounding
    ["Reso", "resonance", 0.98, "98%"],
    ["Octaves", "arp_octaves", 3, "3"],
    ["Cutoff", "cutoff", 1800, "1.8 kHz"],
    ["Cutoff", "cutoff", 999.4, "999 Hz"],
    ["Cutoff", "cutoff", 999.5, "1000 Hz"],
    ["Tone", "delay_tone", 1250, "1.2 kHz"],    // an exact tie rounds to even, as printf does
    ["Gate", "arp_gate", 0.05, "5%"],
    ["Supersaw", "supersaw", 0.8, "80%"],
  ];
  for (const [label, id, value, text] of cases) {
    await face.push({ values: { [id]: value }, preset: "", edited: false });
    assert.equal(await face.readout(label).textContent(), text, `${id} ${value}`);
    assert.equal(await face.slider(label).getAttribute("aria-valuetext"), text);
  }
  await face.close();
});

test("arrow keys step knobs by whole numbers, 2 % or 10 % of the travel, and stop at the ends", async () => {
  const face = await openFaceplate(env);
  await face.slider("Octaves").focus();
  for (let i = 0; i < 4; i++) await face.page.keyboard.press("ArrowUp");
  // 1 -> 2 -> 3 -> 4, and the fourth press at the maximum sends nothing.
  assert.deepEqual(await face.take(), [...triple("arp_octaves", 2), ...triple("arp_octaves", 3), ...triple("arp_octaves", 4)]);
  assert.equal(await face.readout("Octaves").textContent(), "4");
  await face.page.keyboard.press("ArrowLeft");
  assert.deepEqual(valuesOf(await face.take(), "arp_octaves"), [3]);

  await face.slider("Drive").focus();
  await face.page.keyboard.press("Shift+ArrowUp");
  await face.page.keyboard.press("ArrowRight");
  const drive = valuesOf(await face.take(), "drive");
  assert.ok(Math.abs(drive[0] - 0.1) < 1e-12 && Math.abs(drive[1] - 0.12) < 1e-12, String(drive));
  await face.page.keyboard.press("ArrowDown");
  await face.page.keyboard.press("ArrowDown");
  await face.page.keyboard.press("ArrowDown");
  assert.equal(await face.readout("Drive").textContent(), "6%");

  // On a log knob a step is 2 % of the log range: one step down from 1800 Hz divides by 400^0.02.
  await face.slider("Cutoff").focus();
  await face.page.keyboard.press("ArrowDown");
  const [cutoff] = valuesOf(await face.take(), "cutoff");
  assert.ok(Math.abs(cutoff - 1800 / Math.pow(400, 0.02)) < 1e-9, String(cutoff));

  await face.slider("Pulse").focus();  // already at its minimum
  await face.page.keyboard.press("ArrowDown");
  await face.page.keyboard.press("Tab");
  assert.deepEqual(await face.take(), []);
  await face.close();
});

test("a double click puts a knob back to its default", async () => {
  const face = await openFaceplate(env, { values: { cutoff: 40 } });
  await face.slider("Cutoff").dblclick();
  const calls = await face.take();
  assert.deepEqual(calls.slice(-3), triple("cutoff", 1800));
  assert.equal(await face.readout("Cutoff").textContent(), "1.8 kHz");
  await face.close();
});

test("a click on a segment, a switch or a list entry is one begin, value, end triple", async () => {
  const face = await openFaceplate(env);
  const page = face.page;
  await page.getByRole("radio", { name: "1/32" }).click();
  assert.deepEqual(await face.take(), triple("arp_rate", 3));
  assert.equal(await page.getByRole("radio", { name: "1/32" }).getAttribute("aria-checked"), "true");
  assert.equal(await page.getByRole("radio", { name: "1/16", exact: true }).getAttribute("aria-checked"), "false");

  const acid = page.getByRole("switch", { name: "Acid" });
  assert.equal(await acid.getAttribute("aria-checked"), "false");
  await acid.click();
  await acid.click();
  assert.deepEqual(await face.take(), [...triple("acid_filter", 1), ...triple("acid_filter", 0)]);
  assert.equal(await page.getByRole("switch", { name: "Keys" }).getAttribute("aria-checked"), "true");

  await face.choose("Sample", "Vox Ah");
  assert.deepEqual(await face.take(), triple("sample", 4));
  await face.close();
});

test("every parameter on the faceplate has its control, named as the cell labels it", async () => {
  const face = await openFaceplate(env);
  const page = face.page;
  assert.equal(await page.getByRole("slider").count(), 28);
  assert.equal(await page.getByRole("switch").count(), 4);
  const lists = await page.getByRole("combobox").evaluateAll((all) => all.map((e) => e.getAttribute("aria-label")));
  assert.deepEqual(lists, ["Preset", "Sample", "Mode", "Time"]);  // more than five names each
  const groups = await page.getByRole("radiogroup").evaluateAll((all) => all.map((e) => e.getAttribute("aria-label")));
  assert.deepEqual(groups, ["Rate", "Feel"]);
  // Delay and reverb mixes are both captioned "Mix" in their cells.
  assert.equal(await face.slider("Mix").count(), 2);
  assert.equal(await face.slider("Delay").count(), 0);
  assert.equal(await face.slider("Cutoff").getAttribute("aria-valuemin"), "40");
  assert.equal(await face.slider("Cutoff").getAttribute("aria-valuemax"), "16000");
  const big = await page.locator(".knob.big .cap").evaluateAll((all) => all.map((e) => [e.getAttribute("aria-label"), e.offsetWidth]));
  assert.deepEqual(big, [["Cutoff", 70], ["Reso", 70]]);
  assert.equal(await page.locator(".knob:not(.big) .cap").first().evaluate((e) => e.offsetWidth), 52);
  await face.close();
});

test("the screens draw the filter response and the envelope from the current values", async () => {
  const face = await openFaceplate(env);
  const curve = async (label) => (await face.page.getByRole("img", { name: label }).locator("polyline").getAttribute("points")).split(" ");
  const filter = await curve("Filter response");
  assert.equal(filter.length, 457);
  // At 20 Hz the default 1800 Hz lowpass is flat: 0 dB sits at (18 / 54) * 74 + 3.
  assert.equal(filter[0], "0.0,27.7");
  // Defaults: a = sqrt(0.005/4), d = sqrt(0.3/4), r = sqrt(0.3/6), scale = 448 / (a + d + 0.35 + r);
  // sustain 0.7 sits at 76 - 0.7 * 70 = 27.
  assert.deepEqual(await curve("Envelope shape"), ["4.0,76.0", "21.9,6.0", "160.9,27.0", "338.5,27.0", "452.0,76.0"]);

  // A cutoff of 20 * sqrt(1000) Hz puts it on the middle column (x = 228), where a lowpass
  // has the gain q: with resonance 0, q = 0.7, about -3.10 dB (twice that with the acid
  // filter), which is drawn at (18 + 3.10) / 54 * 74 + 3 = 31.9 (36.2 doubled). At full
  // resonance q = 11.48 (21.2 dB), softened by 18 * tanh(21.2 / 18) to 14.9 dB: 7.3.
  const middle = 20 * Math.sqrt(1000);
  for (const [values, y] of [[{ resonance: 0, acid_filter: 0 }, "31.9"], [{ resonance: 0, acid_filter: 1 }, "36.2"],
    [{ resonance: 0.98, acid_filter: 0 }, "7.3"]]) {
    await face.push({ values: { cutoff: middle, ...values }, preset: "", edited: false });
    assert.equal((await curve("Filter response"))[228], `228.0,${y}`, JSON.stringify(values));
  }
  // Far above a 40 Hz acid cutoff the drawing floors at -36 dB: (18 + 36) / 54 * 74 + 3 = 77.
  await face.push({ values: { cutoff: 40, resonance: 0, acid_filter: 1 }, preset: "", edited: false });
  assert.equal((await curve("Filter response"))[456], "456.0,77.0");
  const fill = await face.page.getByRole("img", { name: "Filter response" }).locator("polygon").getAttribute("points");
  assert.ok(fill.endsWith("456.0,77.0 456.0,80.0 0.0,80.0"), fill.slice(-40));
  await face.close();
});

test("the plugin's pushes redraw without echoing, and unknown ids are ignored", async () => {
  const face = await openFaceplate(env, { preset: "Hoover" });
  await face.take();
  await face.push({ values: { cutoff: 380, bogus: 7, mono: 1, arp_rate: 2, sample: 7, supersaw: "loud" }, preset: "Acid Line", edited: true });
  assert.deepEqual(await face.take(), []);
  assert.deepEqual(face.errors, []);
  assert.equal(await face.readout("Cutoff").textContent(), "380 Hz");
  assert.equal(await face.readout("Supersaw").textContent(), "80%");  // not a number: kept
  assert.equal(await face.readout("Detune").textContent(), "30%");    // missing: kept
  assert.equal(await face.page.getByRole("switch", { name: "Mono" }).getAttribute("aria-checked"), "true");
  assert.equal(await face.page.getByRole("radio", { name: "1/16T" }).getAttribute("aria-checked"), "true");
  assert.equal(await face.shown("Sample"), "Sub Drop");
  assert.equal(await face.standsAt("Sample"), "Sub Drop");
  assert.equal(await face.shown("Preset"), "Acid Line (edited)");
  // The push reported the sound as edited already, so the next edit does not report it again.
  await face.page.getByRole("switch", { name: "Mono" }).click();
  assert.deepEqual(await face.take(), triple("mono", 0));
  await face.close();
});

test("the plugin's values at start-up are where the controls start", async () => {
  const face = await openFaceplate(env, { values: { cutoff: 5000, arp_octaves: 2, arp_mode: 5, arp_on: 1 } });
  assert.equal(await face.readout("Cutoff").textContent(), "5.0 kHz");
  assert.equal(await face.readout("Octaves").textContent(), "2");
  assert.equal(await face.shown("Mode"), "Pedal");
  assert.equal(await face.page.getByRole("switch", { name: "Arp" }).getAttribute("aria-checked"), "true");
  assert.equal(await face.readout("Sustain").textContent(), `${defaults.sustain * 100}%`);
  await face.close();
});

test("wheel notches step a knob by its fine step, one gesture around each burst", async () => {
  // [knob, id, start value, notches (up is positive), value after the burst]
  const cases = [
    ["Drive", "drive", 0, 3, 0.06],                            // 2 % of the travel per notch
    ["Octaves", "arp_octaves", 1, 2, 3],                       // one whole number per notch
    ["Cutoff", "cutoff", 1800, -1, 1800 / Math.pow(400, 0.02)],  // 2 % of the log travel
    ["Sustain", "sustain", 0.99, 4, 1],                        // stops at the end
  ];
  for (const [label, id, start, notches, end] of cases) {
    const face = await openFaceplate(env, { values: { [id]: start } });
    const [x, y] = await face.center(face.slider(label));
    await face.page.mouse.move(x, y);
    for (let i = 0; i < Math.abs(notches); i++) await face.page.mouse.wheel(0, notches > 0 ? -100 : 100);
    // The gesture ends once the wheel has been still for a moment.
    await face.page.waitForFunction((cid) => window.__calls.some(([n, i, b]) => n === "strobeGesture" && i === cid && b === false), id);
    const calls = await face.take();
    assert.deepEqual(calls[0], ["strobeGesture", id, true], label);
    assert.deepEqual(calls.at(-1), ["strobeGesture", id, false], label);
    assert.equal(calls.filter(([name]) => name === "strobeGesture").length, 2, label);
    const sent = valuesOf(calls, id);
    assert.ok(sent.length >= 1 && sent.length <= Math.abs(notches), `${label}: ${sent}`);
    assert.ok(Math.abs(sent.at(-1) - end) < 1e-9, `${label}: ${sent.at(-1)} against ${end}`);
    await face.close();
  }
});

test("Shift makes a drag ten times finer, and pressing or letting go of it mid-drag does not jump", async () => {
  const face = await openFaceplate(env);
  const { page } = face;
  const [x, y] = await face.center(face.slider("Drive"));
  await page.keyboard.down("Shift");
  await page.mouse.move(x, y);
  await page.mouse.down();
  await page.mouse.move(x, y - 80, { steps: 4 });  // 80 of 1600 px: 5 %
  let sent = valuesOf(await face.take(), "drive");
  assert.ok(Math.abs(sent.at(-1) - 0.05) < 1e-9, String(sent));
  await page.keyboard.up("Shift");
  await page.mouse.move(x, y - 96, { steps: 2 });  // plain again: 16 of 160 px add 10 %
  await page.mouse.up();
  const calls = await face.take();
  sent = valuesOf(calls, "drive");
  assert.ok(sent.every((v) => v >= 0.05 - 1e-9), `no jump back: ${sent}`);
  assert.ok(Math.abs(sent.at(-1) - 0.15) < 1e-9, String(sent));
  assert.deepEqual(calls.at(-1), ["strobeGesture", "drive", false]);
  await face.close();
});

test("a wheel turn during a drag belongs to the drag's gesture", async () => {
  const face = await openFaceplate(env);
  const { page } = face;
  const [x, y] = await face.center(face.slider("Chorus"));
  await page.mouse.move(x, y);
  await page.mouse.down();
  await page.mouse.move(x, y - 16);
  await page.mouse.wheel(0, -100);
  await page.mouse.move(x, y - 24);  // the drag carries on from where the notch left it
  await page.mouse.up();
  await page.waitForTimeout(600);  // longer than a wheel burst lasts
  const calls = await face.take();
  assert.deepEqual(calls.filter(([name]) => name === "strobeGesture"),
    [["strobeGesture", "chorus", true], ["strobeGesture", "chorus", false]]);
  assert.ok(Math.abs(valuesOf(calls, "chorus").at(-1) - 0.17) < 1e-9, String(valuesOf(calls, "chorus")));
  await face.close();
});

test("a wheel turned against the end of a knob's travel sends nothing", async () => {
  const face = await openFaceplate(env);
  const [x, y] = await face.center(face.slider("Pulse"));  // at its minimum
  await face.page.mouse.move(x, y);
  await face.page.mouse.wheel(0, 100);
  await face.page.waitForTimeout(600);  // longer than a wheel burst lasts
  assert.deepEqual(await face.take(), []);
  await face.close();
});
