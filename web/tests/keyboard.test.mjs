// The on-screen keyboard, played with the pointer, touch and the computer keyboard.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { openFaceplate, startBrowserAndServer } from "./harness.mjs";

let env;
before(async () => { env = await startBrowserAndServer(); });
after(() => env.close());

const on = (key) => ["strobeNote", key, true];
const off = (key) => ["strobeNote", key, false];
const lit = (face, name) => face.key(name).getAttribute("aria-pressed");

test("25 keys from C3 to C5, with 15 white keys across the width and black keys between", async () => {
  const face = await openFaceplate(env);
  const names = await face.page.getByRole("group", { name: "Keys" }).getByRole("button")
    .evaluateAll((all) => all.map((k) => k.getAttribute("aria-label")));
  assert.equal(names.length, 25);
  assert.deepEqual([names[0], names[1], names[12], names[24]], ["Play C3", "Play C#3", "Play C4", "Play C5"]);
  assert.equal(await face.hint(), "Keys C3 to C5. Type A to K to play, Z and X for the octave");
  const board = await face.page.locator(".keyboard").boundingBox();
  const c3 = await face.key("C3").boundingBox();
  const cSharp3 = await face.key("C#3").boundingBox();
  // A black key is 0.6 of a white key wide and straddles the C/D boundary.
  assert.ok(Math.abs(c3.width - board.width / 15) < 1.5, `white ${c3.width}`);
  assert.ok(Math.abs(cSharp3.width - 0.6 * c3.width) < 1, `black ${cSharp3.width}`);
  assert.ok(Math.abs(cSharp3.x + cSharp3.width / 2 - (c3.x + c3.width)) < 1);
  assert.ok(Math.abs(cSharp3.height - 0.62 * c3.height) < 1.5);
  await face.close();
});

test("letters play their offsets from the base key and release what they started", async () => {
  const face = await openFaceplate(env);
  const kb = face.page.keyboard;
  for (const letter of ["a", "w", "k", "l"]) { await kb.down(letter); await kb.up(letter); }
  // A is the base C (48), W the C# above it, K the next C (60), L the D above that.
  assert.deepEqual(await face.take(), [on(48), off(48), on(49), off(49), on(60), off(60), on(62), off(62)]);

  await kb.down("Shift");
  await kb.down("A");  // case does not matter
  assert.equal(await lit(face, "C3"), "true");
  await kb.up("A");
  await kb.up("Shift");
  await kb.down("a");
  await kb.down("a");  // auto-repeat
  await kb.press("x"); // the octave moves while A is held
  await kb.up("a");
  assert.deepEqual(await face.take(), [on(48), off(48), on(48), off(48)]);
  assert.equal(await face.hint(), "Keys C4 to C6. Type A to K to play, Z and X for the octave");

  await kb.press("Control+s");
  await kb.press("Alt+d");
  await kb.press("q");  // not a playing letter
  assert.deepEqual(await face.take(), []);
  await face.close();
});

test("Z and X move the keyboard by octaves, no lower than C1 and no higher than C6", async () => {
  const face = await openFaceplate(env);
  const kb = face.page.keyboard;
  for (let i = 0; i < 3; i++) await kb.press("z");
  assert.equal(await face.hint(), "Keys C1 to C3. Type A to K to play, Z and X for the octave");
  await kb.press("a");
  assert.deepEqual(await face.take(), [on(24), off(24)]);
  for (let i = 0; i < 7; i++) await kb.press("x");
  // Base 84 (C6) is the top: the highest on-screen key is 84 + 24 = 108, C8.
  assert.equal(await face.hint(), "Keys C6 to C8. Type A to K to play, Z and X for the octave");
  assert.equal(await face.key("C8").count(), 1);
  await kb.press("k");
  assert.deepEqual(await face.take(), [on(96), off(96)]);
  // Holding Z moves one octave, however long the key repeats.
  await kb.down("z");
  await kb.down("z");
  await kb.down("z");
  await kb.up("z");
  assert.equal(await face.hint(), "Keys C5 to C7. Type A to K to play, Z and X for the octave");
  await face.close();
});

test("a pointer press and a held letter light one key until both let go", async () => {
  const face = await openFaceplate(env);
  const mouse = face.page.mouse;
  await face.page.keyboard.down("a");
  const [x, y] = await face.center(face.key("C3"));
  await mouse.move(x, y + 50);
  await mouse.down();
  await mouse.up();
  assert.equal(await lit(face, "C3"), "true");
  await face.page.keyboard.up("a");
  assert.equal(await lit(face, "C3"), "false");
  assert.deepEqual(await face.take(), [on(48), on(48), off(48), off(48)]);

  // The pointer is captured: letting go over another key releases the one it pressed.
  await mouse.move(x, y + 50);
  await mouse.down();
  const [dx] = await face.center(face.key("E3"));
  await mouse.move(dx, y + 50, { steps: 3 });
  await mouse.up();
  assert.deepEqual(await face.take(), [on(48), off(48)]);
  assert.equal(await lit(face, "E3"), "false");
  await face.close();
});

test("touch plays a key like the mouse", async () => {
  const face = await openFaceplate(env, { context: { hasTouch: true } });
  const [x, y] = await face.center(face.key("G3"));
  await face.page.touchscreen.tap(x, y + 50);
  assert.deepEqual(await face.take(), [on(55), off(55)]);
  await face.close();
});

test("losing the window focus releases every key held on the computer keyboard", async () => {
  const face = await openFaceplate(env);
  await face.page.keyboard.down("a");
  await face.page.keyboard.down("d");
  await face.page.evaluate(() => window.dispatchEvent(new Event("blur")));
  assert.equal(await lit(face, "C3"), "false");
  await face.page.keyboard.up("a");  // already released: nothing more
  await face.page.keyboard.up("d");
  await face.page.keyboard.down("a"); // and it can be played again
  // A modifier pressed meanwhile does not keep the key from being released.
  await face.page.keyboard.down("Control");
  await face.page.keyboard.up("a");
  await face.page.keyboard.up("Control");
  assert.deepEqual(await face.take(), [on(48), on(52), off(48), off(52), on(48), off(48)]);
  await face.close();
});

test("letters typed into a drop-down do not play", async () => {
  const face = await openFaceplate(env);
  await face.page.getByRole("combobox", { name: "Mode" }).focus();
  await face.page.keyboard.press("d");
  assert.equal((await face.take()).filter(([name]) => name === "strobeNote").length, 0);
  await face.page.getByRole("slider", { name: "Sub" }).focus();  // a knob does not catch letters
  await face.page.keyboard.press("d");
  assert.deepEqual(await face.take(), [on(52), off(52)]);  // D is the E, the third white key
  await face.close();
});

test("a key activated by assistive technology, without a pointer, sounds briefly", async () => {
  const face = await openFaceplate(env);
  await face.key("A3").dispatchEvent("click");  // a click with no pointer behind it
  assert.deepEqual(await face.take(), [on(57)]);
  await face.page.waitForFunction(() => window.__calls.some(([name, , on]) => name === "strobeNote" && on === false));
  assert.deepEqual(await face.take(), [off(57)]);
  await face.close();
});
