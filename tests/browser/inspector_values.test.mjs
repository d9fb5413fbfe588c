// The Object Inspector in the browser: a dataset's database picked from the
// drop-down list of its DatabaseName row, then saved.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { withSession } from './harness.mjs';

test('a database picked from the inspector drop-down list is set and saved', async (t) => {
  await withSession(t, ['tests/browser/fixtures/two_databases.vfm'], async (s) => {
    const { page } = s;
    const row = '[data-vn-row="DatabaseName"]';
    await s.step('select the query', () => page.click('[data-vn-component="OrdersQuery"]'));
    await s.step('the inspector shows its database', async () =>
      assert.equal(await (await page.waitForSelector(`${row} input`)).evaluate((i) => i.value), 'shop'));
    await s.step('open the drop-down list', () => page.click(`${row} button.drop`));
    await s.step('it lists both databases', async () => assert.deepEqual(
      (await page.$$eval('#popup [data-vn-value]', (e) => e.map((x) => x.dataset.vnValue))).sort(), ['archive', 'shop']));
    await s.step('pick archive', () => page.click('#popup [data-vn-value="archive"]'));
    await s.step('the row shows it', () => page.waitForFunction(
      (r) => document.querySelector(`${r} input`).value === 'archive', {}, row));
    await s.step('Save', async () => {
      await page.waitForSelector('#save[data-vn-modified="true"]');
      await page.click('#save');
      await page.waitForSelector('#save[data-vn-modified="false"]');
    });
    await s.step('the form file has it', () => assert.match(fs.readFileSync(s.workspace.forms[0], 'utf8'),
      /object OrdersQuery: TVNQuery\s+DatabaseName = 'archive'/));
  });
});
