// A form file another program changes while the page shows it: the page says
// so, Save leaves the other change in place, and Reload takes it.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { moveComponent, withSession } from './harness.mjs';

test('a form changed on disk is shown, not overwritten, and reloaded', async (t) => {
  await withSession(t, ['examples/forms/shop.vfm'], async (s) => {
    const { page } = s;
    const file = s.workspace.forms[0];
    page.on('dialog', (d) => d.accept());
    await s.step('move the query: the form is modified', async () => {
      await moveComponent(page, '[data-vn-component="OrdersQuery"]');
      await page.waitForSelector('#save[data-vn-modified="true"]');
    });
    const other = fs.readFileSync(file, 'utf8').replace("DatabaseName = 'shop'", "DatabaseName = 'other'");
    await s.step('another program writes the file: the page says so', async () => {
      fs.writeFileSync(file, other);
      await page.waitForSelector('#disk-change:not([hidden])', { timeout: 5000 });
    });
    await s.step('Save leaves the other change in place', async () => {
      await page.click('#save');
      await page.waitForFunction(() => document.querySelector('#status').textContent.includes('changed on disk'));
      assert.equal(fs.readFileSync(file, 'utf8'), other);
    });
    await s.step('Reload (confirmed) takes it', async () => {
      await page.click('#reload');
      await page.waitForSelector('#disk-change[hidden]');
      await page.waitForSelector('#save[data-vn-modified="false"]');
      assert.equal(fs.readFileSync(file, 'utf8'), other);
    });
  });
});
