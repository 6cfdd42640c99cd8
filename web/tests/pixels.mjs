// Reads screenshots back as pixels and measures text contrast in them, the way the
// accessibility guidelines define it (relative luminance of sRGB colours).
import { inflateSync } from "node:zlib";

// Decodes an 8-bit, non-interlaced RGB or RGBA PNG, which is what the browser writes.
export function decodePng(buffer) {
  let at = 8;
  let width = 0, height = 0, channels = 0;
  const packed = [];
  while (at < buffer.length) {
    const length = buffer.readUInt32BE(at);
    const type = buffer.toString("latin1", at + 4, at + 8);
    const data = buffer.subarray(at + 8, at + 8 + length);
    if (type === "IHDR") {
      width = data.readUInt32BE(0);
      height = data.readUInt32BE(4);
      const [depth, colour, , , interlace] = data.subarray(8);
      if (depth !== 8 || interlace !== 0 || (colour !== 2 && colour !== 6)) throw new Error("unsupported PNG");
      channels = colour === 6 ? 4 : 3;
    } else if (type === "IDAT") {
      packed.push(data);
    }
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(packed));
  const stride = width * channels;
  const pixels = Buffer.alloc(height * stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; i++) {
      const left = i >= channels ? pixels[y * stride + i - channels] : 0;
      const up = y > 0 ? pixels[(y - 1) * stride + i] : 0;
      const upLeft = y > 0 && i >= channels ? pixels[(y - 1) * stride + i - channels] : 0;
      const p = left + up - upLeft;
      const [pa, pb, pc] = [Math.abs(p - left), Math.abs(p - up), Math.abs(p - upLeft)];
      const paeth = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
      const predicted = [0, left, up, (left + up) >> 1, paeth][filter];
      pixels[y * stride + i] = (line[i] + predicted) & 0xff;
    }
  }
  return { width, height, at: (x, y) => [...pixels.subarray((y * width + x) * channels, (y * width + x) * channels + 3)] };
}

export function luminance([r, g, b]) {
  const linear = (v) => { const c = v / 255; return c <= 0.03928 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4; };
  return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
}

export function contrast(a, b) {
  const [hi, lo] = [luminance(a), luminance(b)].sort((x, y) => y - x);
  return (hi + 0.05) / (lo + 0.05);
}

// Text in a rectangle (window pixels): the background is its most common colour, the
// text the colour that stands furthest from it (the core of the glyphs, past any glow).
export function textContrast(image, rect) {
  const counts = new Map();
  const colours = [];
  for (let y = Math.ceil(rect.y); y < Math.floor(rect.y + rect.height); y++) {
    for (let x = Math.ceil(rect.x); x < Math.floor(rect.x + rect.width); x++) {
      const colour = image.at(x, y);
      const key = colour.join(",");
      counts.set(key, (counts.get(key) ?? 0) + 1);
      colours.push(colour);
    }
  }
  const background = [...counts].sort((a, b) => b[1] - a[1])[0][0].split(",").map(Number);
  const text = colours.reduce((best, c) => (contrast(c, background) > contrast(best, background) ? c : best), background);
  return { background, text, ratio: contrast(text, background) };
}
