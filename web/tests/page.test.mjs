// The page as a whole: start-up with and without a plugin, its requests, its fonts, the
// module inside another page, and screenshots to look at.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { mkdir } from "node:fs/promises";
import path from "node:path";
import { openFaceplate, startBrowserAndServer, webDir } from "./harness.mjs";

const artefacts = path.resolve(webDir, "../build/web");

// A page that embeds the module without serving fonts or owning the window's keys.
const embeddingPage = `<!doctype html><html><head><meta charset="utf-8"></head><body>
<input aria-label="Name"><div id="face"></div>
<script type="module">
  import { createElement } from "./gui.js";
  const node = {
    context: { currentTime: 0 },
    getParameterValues: async () => ({ cutoff: { id: "cutoff", value: 500, normalized: false } }),
    setParameterValues: (records) => window.__calls.push(["setParameterValues", records]),
    beginGesture: () => {}, endGesture: () => {}, setPresetState: () => {},
    scheduleEvents: (event) => window.__calls.push(["scheduleEvents", event]),
  };
  const element = await createElement({ audioNode: node });
  document.getElementById("face").append(element);
  window.strobeRefresh = () => {};
</script></body></html>`;

let env;
before(async () => { env = await startBrowserAndServer({ "/embed.html": [embeddingPage, "text/html"] }); });
after(() => env.close());

test("start-up reads the plugin twice and requests nothing outside the served files", async () => {
  const face = await openFaceplate(env);
  await face.page.evaluate(() => document.fonts.ready);
  const calls = await face.calls();
  assert.deepEqual(calls, [["strobeInit"], ["strobeInit"]]);
  const families = await face.page.evaluate(() =>
    [...document.fonts].filter((f) => f.status === "loaded").map((f) => f.family.replaceAll('"', "")).sort());
  assert.deepEqual(families, ["Orbitron", "Press Start 2P", "VT323"]);
  // Play and turn a little, then check that every request stayed on the served origin.
  await face.page.keyboard.press("a");
  await face.choose("Preset", "Vox Pad");
  assert.deepEqual(face.outside, []);
  assert.deepEqual(face.missing, []);
  assert.deepEqual(face.errors, []);
  assert.ok(["/", "/gui.js", "/parameters.json", "/fonts/Orbitron.ttf", "/fonts/PressStart2P.ttf", "/fonts/VT323.ttf"]
    .every((p) => env.server.requests.includes(p)));
  assert.equal(await face.page.evaluate(() => document.documentElement.hasAttribute("data-strobe95-fonts")), true);
  assert.equal(await face.page.locator("link[rel=stylesheet]").count(), 0);
  await face.close();
});

test("without an answer from the plugin every control starts at its default", async () => {
  for (const init of ["fail", "absent"]) {
    const face = await openFaceplate(env, { init, values: { cutoff: 40 } });
    assert.equal(await face.readout("Cutoff").textContent(), "1.8 kHz", init);
    assert.equal(await face.readout("Attack").textContent(), "5 ms");
    assert.equal(await face.shown("Preset"), "Choose a sound...");
    assert.deepEqual(face.errors, []);
    await face.close();
  }
});

test("a missing or malformed panel description leaves the container empty", async () => {
  const answers = [{ status: 404, body: "Not Found" }, { status: 200, body: "{ not json" }, { status: 200, body: "{}" }];
  for (const answer of answers) {
    const face = await openFaceplate(env, {
      waitForRefresh: false,
      beforeLoad: (page) => page.route("**/parameters.json", (route) => route.fulfill({ ...answer, contentType: "application/json" })),
    });
    for (let waited = 0; face.errors.length === 0 && waited < 5000; waited += 20) await face.page.waitForTimeout(20);
    assert.equal(face.errors.length, 1, "the module's start-up fails once");
    assert.equal(await face.page.locator("#face").evaluate((e) => e.childElementCount), 0, answer.body);
    assert.equal(await face.page.evaluate(() => typeof window.strobeRefresh), "undefined");
    await face.close();
  }
});

test("inside another page the module asks for a web font sheet and plays only while focused", async () => {
  const face = await openFaceplate(env, {
    path: "/embed.html",
    beforeLoad: (page) => page.route((url) => !url.href.startsWith(env.server.origin), (route) => route.abort()),
  });
  const sheets = await face.page.locator("head link[rel=stylesheet]").evaluateAll((all) => all.map((l) => l.href));
  assert.equal(sheets.length, 1);
  assert.match(sheets[0], /Orbitron.*Press\+Start\+2P.*VT323/);
  assert.equal(await face.readout("Cutoff").textContent(), "500 Hz");

  await face.page.getByRole("textbox", { name: "Name" }).focus();
  await face.page.keyboard.press("a");
  await face.page.locator(".strobe95-gui").focus();
  await face.page.keyboard.down("a");
  await face.page.getByRole("textbox", { name: "Name" }).focus();
  await face.page.keyboard.up("a");  // heard even though the focus moved away
  const events = (await face.calls()).filter(([name]) => name === "scheduleEvents").map(([, e]) => e);
  assert.deepEqual(events, [
    { type: "wam-midi", time: 0, data: { bytes: [144, 48, 100] } },
    { type: "wam-midi", time: 0, data: { bytes: [128, 48, 0] } },
  ]);
  await face.page.getByRole("radio", { name: "Even" }).click();
  const records = (await face.calls()).filter(([name]) => name === "setParameterValues").map(([, r]) => r);
  assert.deepEqual(records, [{ arp_feel: { id: "arp_feel", value: 0, normalized: false } }]);
  // A choice from a list leaves the faceplate focused, so the letters play on.
  await face.choose("Time", "1/4");
  await face.page.keyboard.press("d");
  const played = (await face.calls()).filter(([name]) => name === "scheduleEvents").map(([, e]) => e.data.bytes);
  assert.deepEqual(played.slice(-2), [[144, 52, 100], [128, 52, 0]]);
  await face.close();
});

test("screenshots of the default faceplate and of a preset", async () => {
  await mkdir(artefacts, { recursive: true });
  const face = await openFaceplate(env);
  await face.page.evaluate(() => document.fonts.ready);
  // The whole faceplate fits the plugin window of 1000 x 850 without scrolling.
  const height = await face.page.evaluate(() => document.documentElement.scrollHeight);
  assert.ok(height <= 850, `page height ${height}`);
  await face.page.screenshot({ path: path.join(artefacts, "faceplate-default.png") });
  await face.choose("Preset", "Acid Line");
  await face.page.keyboard.down("a");
  await face.page.keyboard.down("g");
  await face.page.screenshot({ path: path.join(artefacts, "faceplate-acid-line.png") });
  await face.close();
});

test("the screws sit in the margin, inside the rounded corners and clear of every panel", async () => {
  const face = await openFaceplate(env);
  await face.page.evaluate(() => document.fonts.ready);
  const screws = await face.probe("screws");
  assert.equal(screws.length, 4);
  for (const screw of screws) {
    assert.deepEqual(screw.touches, [], screw.corner);
    assert.ok(screw.clearance >= 2, `${screw.corner}: ${screw.clearance} px`);
    assert.ok(screw.inside, screw.corner);
  }
  await face.close();
});
