// Several served forms: one tab each, and the designer shows the chosen one's
// components as its form file names them.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { withSession } from './harness.mjs';

const FORMS = ['examples/forms/shop.vfm', 'examples/forms/reports.vfm'];

// The root's name and its components' names, from the form file itself.
function namesIn(file) {
  const names = [...fs.readFileSync(file, 'utf8').matchAll(/^\s*object (\w+):/gm)].map((m) => m[1]);
  return { root: names[0], components: names.slice(1).sort() };
}

test('each served form has a tab that shows its components', async (t) => {
  await withSession(t, FORMS, async (s) => {
    const { page } = s;
    const forms = s.workspace.forms.map(namesIn);
    await s.step('a tab per form', async () => assert.deepEqual(
      await page.$$eval('#form-tabs [data-vn-form-tab]', (tabs) => tabs.map((b) => b.textContent)), forms.map((f) => f.root)));
    for (const [index, form] of [...forms.entries()].reverse()) {
      await s.step(`show ${form.root}`, () => page.click(`#form-tabs [data-vn-form-tab="${index}"]`));
      await s.step(`${form.root}'s components`, async () => assert.deepEqual(
        (await page.$$eval('[data-vn-component]', (c) => c.map((x) => x.dataset.vnComponent))).sort(), form.components));
    }
  });
});
