// The code editor in the browser: a query's SQL opened there stays open while
// the person goes on designing, and its text is replaced, saved into the
// property and closed from its panel.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { withSession } from './harness.mjs';

test('a module stays open between actions and is saved from its panel', async (t) => {
  await withSession(t, ['examples/forms/shop.vfm'], async (s) => {
    const { page } = s;
    const module = '#modules [data-vn-module]';
    const ellipsis = '[data-vn-row="SQL"] button.ellipsis';
    await s.step('select the query', () => page.click('[data-vn-component="OrdersQuery"]'));
    await s.step('Alt+click its SQL ellipsis: the code editor', async () => {
      await page.waitForSelector(ellipsis);
      await page.keyboard.down('Alt');
      await page.click(ellipsis);
      await page.keyboard.up('Alt');
      await page.waitForSelector(module);
    });
    await s.step('the person goes on: select the database, then the query again', async () => {
      await page.click('[data-vn-component="ShopDb"]');
      await page.waitForSelector('[data-vn-row="RemoteDatabase"]');
      await page.click('[data-vn-component="OrdersQuery"]');
      assert.equal((await page.$$(module)).length, 1);
    });
    await s.step('replace the text', async () => {
      await page.$eval(`${module} textarea`, (t) => { t.value = 'select order_no\nfrom orders'; });
      await page.click(`${module} button:nth-of-type(1)`);
      await page.waitForFunction((m) => document.querySelector(m).textContent.includes('(modified)'), {}, module);
    });
    await s.step('save it into the property, close it', async () => {
      await page.click(`${module} button:nth-of-type(2)`);
      await page.waitForSelector('#save[data-vn-modified="true"]');
      await page.click(`${module} button:nth-of-type(3)`);
      await page.waitForSelector('#modules[hidden]');
    });
    await s.step('save the form: the file has the new SQL', async () => {
      await page.click('#save');
      await page.waitForSelector('#save[data-vn-modified="false"]');
      assert.match(fs.readFileSync(s.workspace.forms[0], 'utf8'), /'select order_no'\s+'from orders'/);
    });
  });
});
