// A component's context menu in the browser: Esc closes it, and its About
// first entry, the product's name, opens the package's About box, which OK closes leaving the form as it was.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { withSession } from './harness.mjs';

test('the About box opens from a context menu and closes with OK', async (t) => {
  await withSession(t, ['examples/forms/shop.vfm'], async (s) => {
    const { page } = s;
    await s.step('right-click the database', () => page.click('[data-vn-component="ShopDb"]', { button: 'right' }));
    await s.step('its context menu shows', () => page.waitForSelector('#popup [data-vn-verb]', { visible: true }));
    await s.step('Esc closes the menu', async () => {
      await page.keyboard.press('Escape');
      await page.waitForSelector('#popup', { hidden: true });
    });
    await s.step('right-click again', () => page.click('[data-vn-component="ShopDb"]', { button: 'right' }));
    // The package's entry that names the product, first in the menu, opens the About box.
    const about = await page.$eval('#popup [data-vn-verb]', (x) => [x.dataset.vnVerb, x.textContent]);
    await s.step(`pick "${about[1]}"`, () => page.click(`#popup [data-vn-verb="${about[0]}"]`));
    await s.step('the About box opens', () => page.waitForSelector('[data-vn-form="VNAboutDlg"]', { visible: true }));
    await s.step('its title names it', async () =>
      assert.match(await page.$eval('[data-vn-form="VNAboutDlg"] .titlebar .title', (e) => e.textContent), /about/i));
    await s.step('OK', () => page.click(s.control('btOk')));
    await s.step('the About box closes', () => page.waitForSelector('#overlay', { hidden: true }));
    await s.step('the form is not modified', async () =>
      assert.equal(await page.$eval('#save', (b) => b.dataset.vnModified), 'false'));
  });
});
