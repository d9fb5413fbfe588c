// The natural paths through the UpdateSQL editor that give statements the
// database refuses: after OK the page shows each path's findings next to the
// statements.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { withSession, ROOT } from './harness.mjs';
import { execFileSync } from 'node:child_process';

const CASES = [
  { object: 'AliasesUpdate', steps: ['btSelectPrimKeys'],
    says: 'writes the alias quantity (its column is qty) as a column' },
  { object: 'CountsUpdate', steps: ['btGetTableFields', { key: 'order_no' }], says: 'order_counts is a view' },
  { object: 'LogUpdate', steps: ['btGetTableFields', 'btSelectPrimKeys', { key: 'logged_at' }],
    says: 'audit_log has no primary key or unique index' },
  { object: 'TotalsUpdate', steps: ['btGetTableFields', 'btSelectPrimKeys'], says: 'column total cannot be written' },
  { object: 'KeyAliasUpdate', steps: ['btSelectPrimKeys'], says: 'key (line_no) is not unique' },
];

test('each path that gives failing statements shows its findings after OK', async (t) => {
  await withSession(t, ['tests/browser/fixtures/failing_paths.vfm'], async (s) => {
    const { page } = s;
    execFileSync('sqlite3', [path.join(s.workspace.dir, 'shop.db')],
                 { input: fs.readFileSync(path.join(ROOT, 'tests/browser/fixtures/failing_paths.sql')) });
    for (const c of CASES) {
      await s.step(`${c.object}: double-click`, () => page.click(`[data-vn-component="${c.object}"]`, { count: 2 }));
      await s.step(`${c.object}: the editor opens`, () =>
        page.waitForSelector('[data-vn-form="VNUpdateSQLEditForm"]', { visible: true }));
      for (const step of c.steps) {
        if (typeof step === 'string') {
          await s.step(`${c.object}: ${step}`, () => page.click(s.control(step)));
        } else {
          await s.step(`${c.object}: pick the key field ${step.key}`, async () => {
            const items = await page.$$(`${s.control('lbKeyFields')} .item`);
            const texts = await Promise.all(items.map((i) => i.evaluate((e) => e.textContent)));
            assert.ok(texts.includes(step.key), `key fields: ${texts}`);
            await items[texts.indexOf(step.key)].click();
          });
        }
      }
      await s.step(`${c.object}: generate`, () => page.click(s.control('btGenerateSQL')));
      await s.step(`${c.object}: OK`, () => page.click(s.control('btOk')));
      await s.step(`${c.object}: the editor closes`, () => page.waitForSelector('#overlay', { hidden: true }));
      await s.step(`${c.object}: the findings are shown`, async () => {
        await page.waitForFunction((object) => {
          const summary = document.querySelector('#verification [data-vn-verification]');
          return summary && summary.textContent.startsWith(`${object}:`);
        }, {}, c.object);
        assert.equal(await page.$eval('#verification [data-vn-verification]', (e) => e.dataset.vnVerification), 'failed');
        const findings = await page.$$eval('#verification [data-vn-finding="finding"]', (f) => f.map((x) => x.textContent));
        assert.ok(findings.some((f) => f.includes(c.says)), `findings of ${c.object}: ${findings.join(' | ')}`);
      });
    }
  });
});
