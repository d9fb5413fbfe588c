// Leaving the page asks first while a served form is modified and unsaved,
// and no longer once it is saved.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { moveComponent, withSession } from './harness.mjs';

test('leaving the page asks while the form is modified and unsaved', async (t) => {
  await withSession(t, ['examples/forms/shop.vfm'], async (s) => {
    const { page } = s;
    const asked = [];
    page.on('dialog', async (d) => {
      asked.push(d.type());
      await d.dismiss();
    });
    const leave = () => page.reload({ timeout: 3000 }).catch(() => {});
    await s.step('move the query', async () => {
      await moveComponent(page, '[data-vn-component="OrdersQuery"]');
    });
    await s.step('the form is modified', () => page.waitForSelector('#save[data-vn-modified="true"]'));
    await s.step('leaving asks', async () => {
      await leave();
      assert.deepEqual(asked, ['beforeunload']);
    });
    await s.step('Save', async () => {
      await page.click('#save');
      await page.waitForSelector('#save[data-vn-modified="false"]');
    });
    await s.step('leaving after Save does not ask', async () => {
      await page.reload();
      await page.waitForSelector('body[data-vn-version]');
      assert.deepEqual(asked, ['beforeunload']);
    });
  });
});
