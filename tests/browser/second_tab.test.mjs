// Two tabs on one session: what one does, the other shows without reloading.
import { test } from 'node:test';
import { withSession } from './harness.mjs';

test('a second tab follows the selection and a moved component', async (t) => {
  await withSession(t, ['examples/forms/shop.vfm'], async (s) => {
    const other = await s.open();
    // Only the tab in front gets animation frames, which clicks wait for; the
    // other tab's waits poll instead.
    await s.page.bringToFront();
    await s.step('select the query in the first tab', () => s.page.click('[data-vn-component="OrdersQuery"]'));
    await s.step('the second tab shows it selected', () =>
      other.waitForSelector('[data-vn-component="OrdersQuery"].selected'), other);
    await s.step('drag the query in the first tab', async () => {
      const box = await (await s.page.$('[data-vn-component="OrdersQuery"]')).boundingBox();
      await s.page.mouse.move(box.x + 20, box.y + 10);
      await s.page.mouse.down();
      await s.page.mouse.move(box.x + 140, box.y + 130, { steps: 6 });
      await s.page.mouse.up();
    });
    const moved = await s.page.$eval('[data-vn-component="OrdersQuery"]', (e) => [e.style.left, e.style.top]);
    await s.step('the second tab shows it there', () => other.waitForFunction(
      (where) => { const e = document.querySelector('[data-vn-component="OrdersQuery"]'); return e.style.left === where[0] && e.style.top === where[1]; },
      { polling: 200 }, moved), other);
  });
});
