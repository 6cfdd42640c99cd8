// Serves the faceplate the way the plugin does: the same six paths and nothing else,
// so a reference to any other file shows up as a 404 in the tests.
import http from "node:http";
import { readFile } from "node:fs/promises";
import path from "node:path";
import { fileURLToPath } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
export const webDir = path.resolve(here, "..");
const fontDir = path.resolve(webDir, "../build/web/fonts");

const kResources = {
  "/": [path.join(webDir, "index.html"), "text/html"],
  "/gui.js": [path.join(webDir, "gui.js"), "text/javascript"],
  "/parameters.json": [path.join(webDir, "parameters.json"), "application/json"],
  "/fonts/Orbitron.ttf": [path.join(fontDir, "Orbitron.ttf"), "font/ttf"],
  "/fonts/PressStart2P.ttf": [path.join(fontDir, "PressStart2P.ttf"), "font/ttf"],
  "/fonts/VT323.ttf": [path.join(fontDir, "VT323.ttf"), "font/ttf"],
};

// `extra` maps further paths to [content, MIME type], for pages that only tests need.
export function startServer(extra = {}) {
  const requests = [];
  const server = http.createServer(async (request, response) => {
    const pathname = request.url.split(/[?#]/)[0];
    requests.push(pathname);
    try {
      let body, type;
      if (pathname in extra) [body, type] = extra[pathname];
      else if (pathname in kResources) [body, type] = [await readFile(kResources[pathname][0]), kResources[pathname][1]];
      else throw new Error("not found");
      response.writeHead(200, { "Content-Type": type, "Cache-Control": "no-store" });
      response.end(body);
    } catch {
      response.writeHead(404, { "Content-Type": "text/plain" });
      response.end("Not Found");
    }
  });
  return new Promise((resolve) => {
    server.listen(0, "127.0.0.1", () => {
      resolve({
        origin: `http://127.0.0.1:${server.address().port}`,
        requests,
        close: () => new Promise((done) => server.close(done)),
      });
    });
  });
}
