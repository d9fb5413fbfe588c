// The structure view in the browser: a dataset dragged onto another database
// moves under it and takes its name.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { withSession, drag } from './harness.mjs';

const parentOf = (page, node) => page.$eval(`#tree [data-vn-node="${node}"]`,
  (el) => el.parentElement.parentElement.closest('li').querySelector(':scope > .tree-node').dataset.vnNode);

test('a dataset dragged onto another database in the structure view moves there', async (t) => {
  await withSession(t, ['tests/browser/fixtures/two_databases.vfm'], async (s) => {
    const { page } = s;
    await s.step('the query starts under ShopDb', async () => assert.equal(await parentOf(page, 'OrdersQuery'), 'ShopDb'));
    await s.step('drag the query onto ArchiveDb', () =>
      drag(page, '#tree [data-vn-node="OrdersQuery"]', '#tree [data-vn-node="ArchiveDb"]'));
    await s.step('the query is under ArchiveDb', async () => assert.equal(await parentOf(page, 'OrdersQuery'), 'ArchiveDb'));
    await s.step('select the query', () => page.click('[data-vn-component="OrdersQuery"]'));
    await s.step('its database is archive', () => page.waitForFunction(
      () => document.querySelector('[data-vn-row="DatabaseName"] input')?.value === 'archive'));
    await s.step('the form is modified', () => page.waitForSelector('#save[data-vn-modified="true"]'));
  });
});
