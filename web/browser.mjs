// Driving headless Chromium for the browser test: a static file server on 127.0.0.1, the browser
// started with its DevTools endpoint, a DevTools-protocol session over Node's WebSocket client
// (node --experimental-websocket), and a PNG decoder for the screenshots.
import { spawn } from 'node:child_process';
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize } from 'node:path';
import { inflateSync } from 'node:zlib';

const kTypes = {
  '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.txt': 'text/plain'
};

// Serves the files of `folder`, and the texts of `extra` by their path ("/name.txt"), on 127.0.0.1
// at `port` (0: a free one); resolves to { port, close }.
export function serve(folder, port = 0, extra = {}) {
  const server = createServer(async (req, res) => {
    const path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname));
    if (path.includes('..')) return res.writeHead(403).end();
    try {
      const body = path in extra ? extra[path] : await readFile(join(folder, path === '/' ? 'index.html' : path));
      res.writeHead(200, { 'Content-Type': kTypes[extname(path)] || 'application/octet-stream',
                           'Cache-Control': 'no-store' });
      res.end(body);
    } catch {
      res.writeHead(404).end();
    }
  });
  return new Promise((resolve, reject) => {
    server.on('error', reject);
    server.listen(port, '127.0.0.1', () =>
      resolve({ port: server.address().port, close: () => server.close() }));
  });
}

// Starts Chromium headless with WebGL through SwiftShader, on `profile` (a folder), and resolves
// to { endpoint, process } once it prints its DevTools address.
export function launch(chromium, profile, width, height) {
  const args = ['--headless=new', '--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader',
    '--enable-unsafe-swiftshader', '--autoplay-policy=no-user-gesture-required', '--no-first-run',
    '--no-default-browser-check', '--disable-background-timer-throttling',
    '--disable-renderer-backgrounding', '--disable-backgrounding-occluded-windows',
    `--window-size=${width},${height}`, `--user-data-dir=${profile}`, '--remote-debugging-port=0',
    'about:blank'];
  const child = spawn(chromium, args, { stdio: ['ignore', 'ignore', 'pipe'] });
  return new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error('Chromium did not start:\n' + text)), 120000);
    child.stderr.on('data', (chunk) => {
      text += chunk;
      const m = /DevTools listening on (ws:\/\/\S+)/.exec(text);
      if (m) {
        clearTimeout(timer);
        resolve({ endpoint: m[1], process: child });
      }
    });
    child.on('exit', (code) => reject(new Error(`Chromium ended (${code}):\n${text}`)));
  });
}

// One DevTools-protocol connection; `send` resolves to a command's result.
export class Session {
  static async open(url) {
    const socket = new WebSocket(url);
    await new Promise((resolve, reject) => {
      socket.onopen = resolve;
      socket.onerror = () => reject(new Error('no DevTools connection at ' + url));
    });
    return new Session(socket);
  }

  constructor(socket) {
    this.socket = socket;
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = [];
    socket.onmessage = (event) => {
      const message = JSON.parse(event.data);
      if (message.id && this.pending.has(message.id)) {
        const { resolve, reject } = this.pending.get(message.id);
        this.pending.delete(message.id);
        if (message.error) reject(new Error(JSON.stringify(message.error)));
        else resolve(message.result);
      } else if (message.method) {
        for (const listener of this.listeners) listener(message);
      }
    };
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    this.socket.send(JSON.stringify(message));
    return new Promise((resolve, reject) => this.pending.set(id, { resolve, reject }));
  }

  on(listener) { this.listeners.push(listener); }

  close() { this.socket.close(); }
}

// A page of the browser, attached through the browser's session.
export class Page {
  static async open(session) {
    const { targetId } = await session.send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await session.send('Target.attachToTarget', { targetId, flatten: true });
    const page = new Page(session, sessionId);
    page.targetId = targetId;
    page.console = [];
    session.on((m) => {
      if (m.sessionId !== sessionId) return;
      if (m.method === 'Runtime.consoleAPICalled') {
        page.console.push(m.params.args.map((a) => a.value ?? a.description).join(' '));
      } else if (m.method === 'Runtime.exceptionThrown') {
        page.console.push('exception: ' + m.params.exceptionDetails.text + ' ' +
                          (m.params.exceptionDetails.exception?.description ?? ''));
      }
    });
    await page.send('Page.enable');
    await page.send('Runtime.enable');
    return page;
  }

  constructor(session, sessionId) {
    this.session = session;
    this.sessionId = sessionId;
  }

  send(method, params) { return this.session.send(method, params, this.sessionId); }

  async evaluate(expression) {
    const r = await this.send('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
    if (r.exceptionDetails) throw new Error(expression + ': ' + r.exceptionDetails.text);
    return r.result.value;
  }

  async navigate(url) {
    await this.send('Page.navigate', { url });
  }

  async reload() {
    await this.send('Page.reload', { ignoreCache: true });
  }

  // Polls `expression` until it is truthy; fails after `seconds`, naming `what`.
  async waitFor(what, expression, seconds = 180) {
    const end = Date.now() + seconds * 1000;
    for (;;) {
      let value;
      try {
        value = await this.evaluate(expression);
      } catch {
        value = undefined;  // the page is between documents
      }
      if (value) return value;
      if (Date.now() > end) throw new Error(`timed out after ${seconds} s waiting for ${what}`);
      await new Promise((r) => setTimeout(r, 100));
    }
  }

  // A key press as a real keyboard's: keydown (with its text), then keyup after `holdMs`.
  async key(key, code, keyCode, holdMs = 150) {
    const text = key.length === 1 ? key : undefined;
    await this.send('Input.dispatchKeyEvent', { type: text ? 'keyDown' : 'rawKeyDown', key, code,
      windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode, text });
    await new Promise((r) => setTimeout(r, holdMs));
    await this.send('Input.dispatchKeyEvent', { type: 'keyUp', key, code,
      windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode });
  }

  async screenshot() {
    const { data } = await this.send('Page.captureScreenshot', { format: 'png' });
    return Buffer.from(data, 'base64');
  }
}

// Decodes an 8-bit, non-interlaced PNG (grey, RGB or RGBA) into { width, height, rgba }.
export function decodePng(png) {
  let at = 8, width = 0, height = 0, type = 0;
  const idat = [];
  while (at < png.length) {
    const length = png.readUInt32BE(at);
    const name = png.toString('latin1', at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + length);
    if (name === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0) throw new Error('unsupported PNG');
      type = body[9];
    } else if (name === 'IDAT') {
      idat.push(body);
    }
    at += 12 + length;
  }
  const channels = { 0: 1, 2: 3, 4: 2, 6: 4 }[type];
  const raw = inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const out = pixels.subarray(y * stride, (y + 1) * stride);
    const prev = y > 0 ? pixels.subarray((y - 1) * stride, y * stride) : Buffer.alloc(stride);
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? out[i - channels] : 0, b = prev[i], c = i >= channels ? prev[i - channels] : 0;
      let p = 0;
      if (filter === 1) p = a;
      else if (filter === 2) p = b;
      else if (filter === 3) p = (a + b) >> 1;
      else if (filter === 4) {
        const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
        p = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      out[i] = (line[i] + p) & 255;
    }
  }
  const rgba = Buffer.alloc(width * height * 4);
  for (let i = 0; i < width * height; ++i) {
    const s = pixels.subarray(i * channels, (i + 1) * channels);
    const grey = channels <= 2;
    rgba[i * 4] = s[0];
    rgba[i * 4 + 1] = grey ? s[0] : s[1];
    rgba[i * 4 + 2] = grey ? s[0] : s[2];
    rgba[i * 4 + 3] = channels === 4 ? s[3] : channels === 2 ? s[1] : 255;
  }
  return { width, height, rgba };
}
