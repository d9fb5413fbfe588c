// A newcomer's first form, in the browser: vnide new on a fresh SQLite file
// of their own, then the UpdateSQL editor from the page, to accepted
// statements that pass their check. No form file is written by hand.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { execFileSync } from 'node:child_process';
import { withSession, vnide } from './harness.mjs';

test('a form made by vnide new gets its statements in the browser', async (t) => {
  const made = (workspace) => {
    execFileSync('sqlite3', [path.join(workspace.dir, 'garage.db')], {
      input: 'CREATE TABLE cars (id INTEGER PRIMARY KEY, plate TEXT NOT NULL, model TEXT);' +
             "INSERT INTO cars (plate, model) VALUES ('B-XY 12', 'Kombi');",
    });
    vnide(workspace, ['new', 'garage.vfm', '--database', 'garage.db', '--table', 'cars']);
    return [path.join(workspace.dir, 'garage.vfm')];
  };
  await withSession(t, made, async (s) => {
    const { page } = s;
    await s.step('double-click the new update object', () =>
      page.click('[data-vn-component="VNUpdateSQL1"]', { count: 2 }));
    await s.step('the editor opens', () => page.waitForSelector('[data-vn-form="VNUpdateSQLEditForm"]', { visible: true }));
    for (const button of ['btGetTableFields', 'btSelectPrimKeys', 'btGenerateSQL', 'btOk'])
      await s.step(button, () => page.click(s.control(button)));
    await s.step('the editor closes', () => page.waitForSelector('#overlay', { hidden: true }));
    await s.step('the statements pass their check', async () => {
      await page.waitForSelector('#verification [data-vn-verification]');
      assert.equal(await page.$eval('#verification [data-vn-verification]', (e) => e.dataset.vnVerification), 'ok');
      const modify = await page.$eval('#verification [data-vn-statement="ModifySQL"] pre', (p) => p.textContent);
      assert.match(modify, /update cars/);
    });
  });
});
