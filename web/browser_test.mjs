// The browser test: the web build served on 127.0.0.1 and played in headless Chromium through the
// DevTools protocol, checked by screenshots and by the game's own fields.
//
//   node --experimental-websocket web/browser_test.mjs WEB_BUILD ZARNOK_SIM DATA OUT
//
// 1. The page opens without the focus: the game starts suspended in its loader, which the
//    screenshot shows; with the focus, the loader finishes and the title shows.
// 2. Right and Enter start a game of difficulty 2; a wave flies in. Escape pauses it.
// 3. From the pause panel the options box, the sound one step on; the game quit to the title. A
//    reload finds the sound option and the score in difficulty 2's tables.
//    A gamepad steps the title's highlight; F11 switches the page to full screen and back; the
//    canvas follows the page's shape.
// 4. A scenario script played by the page and by the scenario runner ends in the same generator
//    seed and score.
// Every wait polls with a generous limit: the machine may be slow and busy. The screenshots are
// left in OUT.
import { spawnSync } from 'node:child_process';
import { mkdtempSync, rmSync, symlinkSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { serve, launch, Session, Page, decodePng } from './browser.mjs';

const [webBuild, sim, data, out] = process.argv.slice(2);
const kWidth = 640, kHeight = 480;

let failures = 0;
function check(ok, what) {
  console.log((ok ? 'ok      ' : 'FAILED  ') + what);
  if (!ok) failures++;
}

// A field of the game through the page's export (NaN before the game runs).
const field = (name, index = -1) =>
  `(typeof Module != 'undefined' && Module.calledRun ? Module.ccall('zarnok_field', 'number', ['string', 'number'], ['${name}', ${index}]) : NaN)`;

// The screenshot as pixels, saved as OUT/NAME.png.
async function shot(page, name) {
  const png = await page.screenshot();
  writeFileSync(join(out, name + '.png'), png);
  return decodePng(png);
}

function pixel(image, x, y) {
  const i = (Math.round(y) * image.width + Math.round(x)) * 4;
  return [image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]];
}

// The share of pixels that differ clearly between two pictures of the same size.
function difference(a, b) {
  let differ = 0;
  for (let i = 0; i < a.rgba.length; i += 4) {
    const d = Math.abs(a.rgba[i] - b.rgba[i]) + Math.abs(a.rgba[i + 1] - b.rgba[i + 1]) +
              Math.abs(a.rgba[i + 2] - b.rgba[i + 2]);
    if (d > 60) differ++;
  }
  return differ / (a.width * a.height);
}

// The number of distinct colours (to 4 bits a channel): a blank or failed page has few.
function colours(image) {
  const seen = new Set();
  for (let i = 0; i < image.rgba.length; i += 4) {
    seen.add((image.rgba[i] >> 4) << 8 | (image.rgba[i + 1] >> 4) << 4 | image.rgba[i + 2] >> 4);
  }
  return seen.size;
}

const keys = {
  Right: ['ArrowRight', 'ArrowRight', 39], Left: ['ArrowLeft', 'ArrowLeft', 37],
  Down: ['ArrowDown', 'ArrowDown', 40], Enter: ['Enter', 'Enter', 13], Escape: ['Escape', 'Escape', 27]
};
// Waits until the game has run `count` more updates than `from`.
const updated = (page, from, count) =>
  page.waitFor(`${count} updates`, `Module._vx_browser_updates() >= ${from + count}`);

// A key held for 3 updates of the game and then left up for 3 more, however slow the frames: the
// menus read held keys and take one step for each press they see.
const press = async (page, name) => {
  const [key, code, keyCode] = keys[name];
  const event = { key, code, windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode };
  let from = await page.evaluate('Module._vx_browser_updates()');
  await page.send('Input.dispatchKeyEvent', { ...event, type: 'rawKeyDown' });
  await updated(page, from, 3);
  from = await page.evaluate('Module._vx_browser_updates()');
  await page.send('Input.dispatchKeyEvent', { ...event, type: 'keyUp' });
  await updated(page, from, 3);
};

// The scenario of step 4, in the scenario runner's format: keys only, ending at pass 1199.
const scenario = `# From the title, difficulty 2 by the keyboard, then steering and slow motion.
60 key down 39
62 key up 39
70 key down 13
72 key up 13
300 key down 37
360 key up 37
400 key down 90
460 key up 90
500 key down 39
600 key up 39
700 key down 37
740 key up 37
1199 key up 39
`;
const kScenarioUpdates = 1200;

const server = await serve(webBuild, 0, { '/scenario.txt': scenario });
const profile = mkdtempSync(join(tmpdir(), 'zarnok-chromium-'));
const base = `http://127.0.0.1:${server.port}/index.html`;
let browser;
try {
  browser = await launch('chromium', profile, kWidth, kHeight);
  const session = await Session.open(browser.endpoint);
  const page = await Page.open(session);
  await page.send('Emulation.setDeviceMetricsOverride',
                  { width: kWidth, height: kHeight, deviceScaleFactor: 1, mobile: false });

  // ---- 1. The loader, held by hiding the page; then the title ----
  // Another tab in front hides the page: the game is suspended with its last frame on show. The
  // loader lasts under a second; should it end before the page is hidden, the page is loaded again.
  let opened, loader, other, hiddenMs = 0;
  for (let attempt = 1; !loader; ++attempt) {
    opened = Date.now();
    await page.navigate(base);
    await page.waitFor('the loader', `${field('f_loadStep')} > 0 && Module._vx_browser_updates() >= 2`);
    ({ targetId: other } = await session.send('Target.createTarget', { url: 'about:blank' }));
    await session.send('Target.activateTarget', { targetId: other });
    await page.waitFor('the page hidden', `document.visibilityState == 'hidden'`);
    const held = await page.evaluate('Module._vx_browser_updates()');
    const hidden = Date.now();
    if (await page.evaluate(`${field('f_loadStep')} > 0`)) {
      loader = await shot(page, 'loader');
      await new Promise((r) => setTimeout(r, 1000));
      check(await page.evaluate(`Module._vx_browser_updates() == ${held} && ${field('f_loadStep')} > 0`),
            'no updates while the page is hidden: the game is suspended in its loader');
    } else if (attempt == 3) {
      throw new Error('the loader ended before the page was hidden, three times');
    }
    await session.send('Target.closeTarget', { targetId: other });
    await session.send('Target.activateTarget', { targetId: page.targetId });
    await page.send('Page.bringToFront');  // and the keyboard's focus with it
    hiddenMs = Date.now() - hidden;
  }
  const band = pixel(loader, 10, kHeight / 2), sky = pixel(loader, 10, 10);
  check(band[0] > 140 && band[2] < 110 && sky[2] > sky[0], `the loader's band and sky (${band}; ${sky})`);

  await page.waitFor('the title', `${field('f_loadStep')} == 0 && ${field('f_mode')} == 1`);
  const toTitle = Date.now() - opened - hiddenMs;  // without the time the page was hidden
  await new Promise((r) => setTimeout(r, 1000));  // the title's slide-in
  const title = await shot(page, 'title');
  check(difference(title, loader) > 0.3 && colours(title) > 40, 'the title replaces the loader');

  // ---- 2. A game of difficulty 2, a wave in flight, Escape pauses ----
  await press(page, 'Right');
  await press(page, 'Enter');
  await page.waitFor('a game of difficulty 2', `${field('f_mode')} == 10 && ${field('f_difficulty')} == 2`);
  await page.waitFor('a wave in flight', `${field('f_liveBadCount')} > 10`);
  await page.waitFor('a hit', `${field('f_score')} > 0`, 300);
  const playing = await shot(page, 'playing');
  check(difference(playing, title) > 0.05 && colours(playing) > 40, 'the playing screen with its wave');

  // The frame time of the busy scene: the time between the page's frames, over 5 s.
  const frameMs = await page.evaluate(`new Promise((resolve) => {
    const times = [];
    const step = (t) => { times.push(t); if (t - times[0] < 5000) requestAnimationFrame(step); else resolve((times.at(-1) - times[0]) / (times.length - 1)); };
    requestAnimationFrame(step);
  })`);

  await press(page, 'Escape');
  await page.waitFor('the pause', `${field('f_paused')} == 1`);
  await new Promise((r) => setTimeout(r, 1000));  // the panel's slide-in
  const score = await page.evaluate(field('f_score'));
  const paused = await shot(page, 'paused');
  check(difference(paused, playing) > 0.05, 'the pause panel over the game');
  await new Promise((r) => setTimeout(r, 1000));
  check(await page.evaluate(`${field('f_paused')} == 1 && ${field('f_score')} == ${score}`),
        'the game stands still while paused');

  // ---- 3. Options and score saved, then found again after a reload ----
  const writes = () => page.evaluate('Module.zarnokStateWrites');
  await press(page, 'Right');
  await press(page, 'Enter');
  await page.waitFor('the options box', `${field('f_optionsOpen')} == 1`);
  await new Promise((r) => setTimeout(r, 1000));  // the box's slide-in
  await press(page, 'Down');
  await press(page, 'Enter');
  await page.waitFor('the sound option changed', `${field('f_options', 5)} == 2`);
  await press(page, 'Escape');
  await new Promise((r) => setTimeout(r, 1500));  // the box's slide-out
  // Left to the panel's quit button (-1), each step seen before the next.
  for (let i = 0; i < 8 && (await page.evaluate(field('f_pauseSel'))) != -1; ++i) await press(page, 'Left');
  await press(page, 'Enter');
  await page.waitFor('the title after the game', `${field('f_mode')} == 1`, 300)
    .catch(async (e) => {
      const state = await page.evaluate(`['f_mode', 'f_paused', 'f_pauseSel', 'f_optionsOpen', 'f_gameOverTimer'].map((n) => n + ' ' + ${field('n')})`);
      throw new Error(e.message + ' (' + state.join(', ') + ')');
    });
  const finalScore = await page.evaluate(field('f_score'));
  const before = await writes();
  await page.waitFor('the state written to IndexedDB', `Module.zarnokStateWrites > 0`);
  // A save on the way to the title may still be writing: wait for the writes to stop.
  let quiet = await writes();
  for (;;) {
    await new Promise((r) => setTimeout(r, 1500));
    const now = await writes();
    if (now === quiet) break;
    quiet = now;
  }
  check(before > 0 || quiet > 0, 'the state was written to IndexedDB');

  await page.reload();
  await page.waitFor('the title after the reload', `${field('f_loadStep')} == 0 && ${field('f_mode')} == 1`);
  check(await page.evaluate(`${field('f_options', 5)} == 2`), 'the sound option survives the reload');
  const tables = await page.evaluate(`[...Array(31).keys()].map((i) => ${field('f_scores', 'i')})`);
  check(finalScore > 0 && tables.includes(finalScore),
        `the score ${finalScore} is in the tables after the reload (${tables.join(' ')})`);
  const reloaded = await shot(page, 'reloaded');
  check(colours(reloaded) > 40, 'the title after the reload');

  // ---- A gamepad of the browser's standard layout: its d-pad right moves the highlight ----
  // The page's Gamepad API answers with a pad the test holds.
  await page.evaluate(`(() => {
    const buttons = [...Array(17).keys()].map(() => ({ pressed: false, value: 0 }));
    window.testPad = { id: 'test pad', index: 0, connected: true, mapping: 'standard', timestamp: 1,
                       axes: [0, 0, 0, 0], buttons };
    navigator.getGamepads = () => [window.testPad];
  })()`);
  const setPad = (button, down) =>
    page.evaluate(`testPad.buttons[${button}] = { pressed: ${down}, value: ${down ? 1 : 0} }; testPad.timestamp++`);
  const highlight = await page.evaluate(field('f_menuSel'));
  const from = await page.evaluate('Module._vx_browser_updates()');
  await setPad(15, true);
  await updated(page, from, 3);
  await setPad(15, false);
  await page.waitFor('the highlight moved by the gamepad', `${field('f_menuSel')} == ${highlight + 1}`);
  check(true, 'the gamepad\'s d-pad right moves the title\'s highlight');

  // ---- Full screen on F11 (the browser's F11 leaves it), and a page of another shape ----
  keys.F11 = ['F11', 'F11', 122];
  await press(page, 'F11');
  await page.waitFor('full screen', `document.fullscreenElement && ${field('f_fullscreen')} == 1`);
  check(true, 'F11: the page full screen');
  await press(page, 'F11');
  await page.waitFor('the window again', `!document.fullscreenElement && ${field('f_fullscreen')} == 0`);
  check(true, 'F11 again: back in the window, and the game knows it');
  await page.send('Emulation.setDeviceMetricsOverride', { width: 800, height: 400, deviceScaleFactor: 1, mobile: false });
  await page.waitFor('a wide page', `Module.canvas.width == 800 && Module.canvas.height == 400 &&
                                     ${field('vx_Zarnok_jscrw')} / ${field('vx_Zarnok_jscrh')} == 2`);
  check(true, 'a wide page: the canvas and the game\'s screen follow its shape');
  await page.send('Emulation.setDeviceMetricsOverride', { width: kWidth, height: kHeight, deviceScaleFactor: 1, mobile: false });

  // ---- 4. The same scenario through the page and through the scenario runner ----
  await page.navigate(base + '?script=scenario.txt');
  await page.waitFor('the scenario played in the page',
                     `typeof Module != 'undefined' && Module.calledRun && Module._vx_browser_updates() == ${kScenarioUpdates}`, 600);
  const inPage = await page.evaluate(`[${field('vx_random_Seed')}, ${field('f_score')}, ${field('f_mode')}]`);
  await shot(page, 'scenario');

  const simFolder = mkdtempSync(join(tmpdir(), 'zarnok-sim-'));
  symlinkSync(data, join(simFolder, 'data'));
  writeFileSync(join(simFolder, 'scenario.txt'), scenario);
  const run = spawnSync(sim, ['--script', 'scenario.txt', '--updates', String(kScenarioUpdates), '--dump',
                              'vx_random_Seed,f_score,f_mode'], { cwd: simFolder, encoding: 'utf8' });
  rmSync(simFolder, { recursive: true, force: true });
  const dump = JSON.parse((run.stdout || '').trim().split('\n').filter((l) => l.startsWith('{')).at(-1) || '{}');
  const inRunner = [dump.vx_random_Seed, dump.f_score, dump.f_mode];
  check(run.status === 0 && inRunner[0] !== undefined, `the scenario runner played the scenario (${run.error?.message ?? (run.stderr || '').trim()})`);
  check(JSON.stringify(inPage) === JSON.stringify(inRunner) && inPage[2] === 10,
        `seed, score and mode: page ${inPage}, runner ${inRunner}`);

  console.log(`figures: title ${(toTitle / 1000).toFixed(1)} s after opening the page; busy scene ${frameMs.toFixed(1)} ms a frame`);
  if (failures > 0) console.log('page console:\n' + page.console.join('\n'));
  session.close();
} catch (e) {
  console.log('FAILED  ' + e.message);
  failures++;
} finally {
  browser?.process.kill();
  server.close();
  // Chromium may still be writing its profile as it ends.
  await new Promise((r) => setTimeout(r, 500));
  rmSync(profile, { recursive: true, force: true, maxRetries: 5 });
}
process.exit(failures > 0 ? 1 : 0);
