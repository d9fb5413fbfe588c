// What every browser test shares: a temporary copy of the sample shop (form,
// database, settings and registry store, as ./vn demo lays them out), a
// vnide serve of its own on it, headless Chromium on the page it prints, and
// a screenshot of each failed step. Everything started is stopped on every way
// out of a test.
import { spawn, execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const VNIDE = process.env.VNIDE || path.join(ROOT, 'build/default/bin/vnide');
const ARTIFACTS = process.env.VN_BROWSER_ARTIFACTS || path.join(ROOT, 'build/default/Testing/browser-artifacts');
const CHROMIUM = '/usr/bin/chromium';

let puppeteer;
try {
  puppeteer = (await import('puppeteer-core')).default;
} catch (e) {
  throw new Error(`puppeteer-core is not installed in tests/browser/node_modules (${e.message}): ` +
                  'run ./vn test, or npm ci --prefix tests/browser');
}
if (!fs.existsSync(CHROMIUM)) throw new Error(`${CHROMIUM} is missing: run ./vn test, which installs Debian's chromium`);

// The sample's folder: the forms next to shop.db, the settings directory and
// a registry store naming it, so the session never reads the user's own.
export function makeWorkspace(forms) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vn-browser-'));
  fs.cpSync(path.join(ROOT, 'examples/settings'), path.join(dir, 'settings'), { recursive: true });
  const registry = path.join(dir, 'registry.reg');
  fs.writeFileSync(registry, 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Varnel]\r\n' +
                             `"RootDir"="${path.join(dir, 'settings')}"\r\n`);
  execFileSync('sqlite3', [path.join(dir, 'shop.db')], { input: fs.readFileSync(path.join(ROOT, 'examples/shop.sql')) });
  // Forms given as a function are made in the workspace: it gets the folder and
  // the registry store, and returns the forms' paths.
  const copies = typeof forms === 'function' ? forms({ dir, registry }) : forms.map((form) => {
    const copy = path.join(dir, path.basename(form));
    fs.copyFileSync(path.join(ROOT, form), copy);
    return copy;
  });
  return { dir, registry, forms: copies };
}

// Runs vnide ARGS in the workspace folder, as a person at a shell would; its
// output, or an error with it when the exit code is not 0.
export function vnide({ dir, registry }, args) {
  return execFileSync(VNIDE, args, { cwd: dir, encoding: 'utf8', env: { ...process.env, VNIDE_REGISTRY: registry } });
}

export function sqlite(database, sql) {
  return execFileSync('sqlite3', [database, sql], { encoding: 'utf8' }).split('\n').filter((line) => line !== '');
}

// Starts vnide serve and waits for the address it prints. Under setpriv the
// server is also ended when this process dies without cleaning up.
async function startServer(workspace) {
  const argv = ['serve', ...workspace.forms, '--port', '0'];
  const [command, args] = fs.existsSync('/usr/bin/setpriv')
    ? ['/usr/bin/setpriv', ['--pdeathsig', 'TERM', VNIDE, ...argv]] : [VNIDE, argv];
  const child = spawn(command, args, { cwd: workspace.dir, stdio: ['ignore', 'pipe', 'pipe'],
                                       env: { ...process.env, VNIDE_REGISTRY: workspace.registry } });
  let output = '';
  const exited = new Promise((resolve) => child.once('exit', (code, signal) => resolve({ code, signal })));
  const url = await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`vnide serve printed no address in 30 s:\n${output}`)), 30000);
    const read = (chunk) => {
      output += chunk;
      const found = /vnide serve: (http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]+)/.exec(output);
      if (found) { clearTimeout(timer); resolve(found[1]); }
    };
    child.stdout.on('data', read);
    child.stderr.on('data', read);
    exited.then(({ code, signal }) => {
      clearTimeout(timer);
      reject(new Error(`vnide serve ended (${signal || code}) before it printed its address:\n${output}`));
    });
  });
  return {
    url,
    output: () => output,
    async stop() {
      if (child.exitCode === null && child.signalCode === null) child.kill('SIGTERM');
      const timer = setTimeout(() => child.kill('SIGKILL'), 10000);
      await exited;
      clearTimeout(timer);
    },
  };
}

function launchBrowser() {
  // Without the background services Chromium reaches for the network at start.
  const args = ['--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
                '--disable-component-update', '--disable-sync'];
  if (process.getuid() === 0) args.push('--no-sandbox');
  return puppeteer.launch({ executablePath: CHROMIUM, headless: true, pipe: true, args,
                            defaultViewport: { width: 1400, height: 900 } });
}

// One session: a page on the server, steps that leave a screenshot when they fail.
class Session {
  constructor(t, browser, server, workspace) {
    this.name = t.name.replace(/[^A-Za-z0-9]+/g, '-').replace(/^-|-$/g, '');
    this.browser = browser;
    this.server = server;
    this.workspace = workspace;
    this.pageErrors = [];
    this.steps = 0;
  }

  async open() {
    const page = await this.browser.newPage();
    page.on('pageerror', (e) => this.pageErrors.push(e.message));
    // The page works offline: nothing but the server is asked for anything.
    const origin = new URL(this.server.url).origin;
    page.on('request', (r) => {
      // A data: URL (a picture the state carries) asks nobody.
      if (!r.url().startsWith('data:') && new URL(r.url()).origin !== origin)
        this.pageErrors.push(`asked another host for ${r.url()}`);
    });
    await page.goto(this.server.url);
    await page.waitForSelector('body[data-vn-version]');
    if (!this.page) this.page = page;
    return page;
  }

  async step(what, action, page = this.page) {
    ++this.steps;
    try {
      const result = await action();
      await idle(page);
      return result;
    } catch (e) {
      fs.mkdirSync(ARTIFACTS, { recursive: true });
      const shot = path.join(ARTIFACTS, `${this.name}-${this.steps}.png`);
      await page.screenshot({ path: shot }).catch(() => {});
      const transcript = await page.$$eval('#transcript .line', (lines) => lines.map((l) => l.textContent).slice(-8))
        .catch(() => []);
      const raised = this.pageErrors.length ? `page errors:\n  ${this.pageErrors.join('\n  ')}\n` : '';
      throw new Error(`step ${this.steps} "${what}" failed: ${e.message}\nscreenshot: ${shot}\n${raised}` +
                      `transcript:\n  ${transcript.join('\n  ')}\nserver output:\n${this.server.output()}`);
    }
  }

  control(name) { return `[data-vn-control="${name}"]`; }

  // Waits until the page has the answers of every action it sent.
  idle(page = this.page) { return idle(page); }
}

function idle(page) {
  return page.waitForFunction(() => document.body.dataset.vnBusy === '0', { timeout: 20000 });
}

// Runs body(session) on a served copy of the forms, then stops Chromium and the
// server and removes the copy, however body ended.
export async function withSession(t, forms, body) {
  const workspace = makeWorkspace(forms);
  let server = null;
  let browser = null;
  try {
    server = await startServer(workspace);
    browser = await launchBrowser();
    const session = new Session(t, browser, server, workspace);
    await session.open();
    await body(session);
    if (session.pageErrors.length) throw new Error(`the page raised: ${session.pageErrors.join('; ')}`);
  } finally {
    await browser?.close().catch(() => {});
    await server?.stop();
    fs.rmSync(workspace.dir, { recursive: true, force: true });
  }
}

// Drags with the mouse from one element's middle to another's, in steps, as a
// person's pointer moves.
// Drags a component of the design surface 100 pixels right and 80 down.
export async function moveComponent(page, selector) {
  const box = await (await page.waitForSelector(selector)).boundingBox();
  await page.mouse.move(box.x + 20, box.y + 10);
  await page.mouse.down();
  await page.mouse.move(box.x + 120, box.y + 90, { steps: 5 });
  await page.mouse.up();
}

export async function drag(page, from, to) {
  const a = await (await page.waitForSelector(from)).boundingBox();
  const b = await (await page.waitForSelector(to)).boundingBox();
  await page.mouse.move(a.x + a.width / 2, a.y + a.height / 2);
  await page.mouse.down();
  await page.mouse.move(b.x + b.width / 2, b.y + b.height / 2, { steps: 8 });
  await page.mouse.up();
}
