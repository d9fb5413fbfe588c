// The builder's main job in the browser: the UpdateSQL editor opened by a
// double click on the sample's update object, its statements generated from
// the database and saved into the form file.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { withSession, sqlite } from './harness.mjs';

// The lines of COMPONENT's string list PROPERTY as the form file stores them:
// quoted parts ('' an apostrophe), #nn characters, "+" joining across lines.
function storedLines(text, component, property) {
  const from = text.indexOf(`${property}.Strings = (`, text.indexOf(`object ${component}:`));
  assert.ok(from >= 0, `${component}.${property} is not in the form file:\n${text}`);
  const token = /(\s*)(?:'((?:[^']|'')*)'|#(\d+)|(\+)|(\)))/y;
  token.lastIndex = text.indexOf('(', from) + 1;
  const items = [];
  let joined = false;
  for (let m = token.exec(text); m && !m[5]; m = token.exec(text)) {
    if (m[4]) { joined = true; continue; }
    const part = m[2] !== undefined ? m[2].replaceAll("''", "'") : String.fromCharCode(Number(m[3]));
    if (items.length && (joined || !m[1].includes('\n'))) items[items.length - 1] += part;
    else items.push(part);
    joined = false;
  }
  return lines(items.join('\n'));
}

const lines = (text) => text.replace(/\r\n?/g, '\n').split('\n').filter((line) => line.trim() !== '');

const listItems = (page, name, selectedOnly) => page.$$eval(
  `[data-vn-control="${name}"] .item${selectedOnly ? '.selected' : ''}`, (items) => items.map((i) => i.textContent));

test('the UpdateSQL editor writes the generated statements that Save puts in the form file', async (t) => {
  await withSession(t, ['examples/forms/shop.vfm'], async (s) => {
    const { page } = s;
    const database = path.join(s.workspace.dir, 'shop.db');
    const form = s.workspace.forms[0];

    await s.step('double-click the update object', () => page.click('[data-vn-component="OrdersUpdate"]', { count: 2 }));
    await s.step('the editor opens', () => page.waitForSelector('[data-vn-form="VNUpdateSQLEditForm"]', { visible: true }));

    // Get Table Fields through the letter its caption underlines.
    const letter = await page.$eval(`${s.control('btGetTableFields')} u`, (u) => u.textContent);
    await s.step(`Alt+${letter}: get the table fields`, async () => {
      await page.keyboard.down('Alt');
      await page.keyboard.press(`Key${letter.toUpperCase()}`);
      await page.keyboard.up('Alt');
    });
    const columns = sqlite(database, "select name from pragma_table_info('orders') order by cid");
    await s.step('the key fields list the table columns', async () =>
      assert.deepEqual(await listItems(page, 'lbKeyFields'), columns));

    await s.step('select the primary keys', () => page.click(s.control('btSelectPrimKeys')));
    const primaryKey = sqlite(database, "select name from pragma_table_info('orders') where pk > 0 order by pk");
    await s.step('the primary key is selected', async () =>
      assert.deepEqual(await listItems(page, 'lbKeyFields', true), primaryKey));

    await s.step('generate', () => page.click(s.control('btGenerateSQL')));
    await s.step('show the SQL page', () => page.click(`${s.control('pcUpdateSQL')} [data-vn-tab="SQL"]`));
    const kinds = await s.step('the statement types', async () => {
      const shown = await page.$$eval(`${s.control('rgrStatementType')} .choice`, (c) => c.map((x) => x.textContent));
      assert.ok(shown.length >= 4, `statement types: ${shown}`);
      return shown;
    });
    const statements = {};
    for (const [index, kind] of kinds.entries()) {
      await s.step(`show the ${kind} statement`, async () => {
        await page.click(`${s.control('rgrStatementType')} .choice[data-index="${index}"]`);
        await page.waitForSelector(`${s.control('rgrStatementType')} .choice[data-index="${index}"][aria-checked="true"]`);
        statements[kind] = lines(await page.$eval(s.control('meSQLText'), (m) => m.value));
        assert.ok(statements[kind].length > 0, `the ${kind} statement is empty`);
      });
    }

    await s.step('OK', () => page.click(s.control('btOk')));
    await s.step('the editor closes', () => page.waitForSelector('#overlay', { hidden: true }));
    // The statements accepted, checked on the database at once: the query does
    // not select ref, which every column of the table as update fields writes.
    await s.step('the accepted statements and their check are shown', async () => {
      await page.waitForSelector('#verification [data-vn-verification="failed"]');
      const findings = await page.$$eval('#verification [data-vn-finding="finding"]', (f) => f.map((x) => x.textContent));
      assert.ok(findings.some((f) => f.includes(':ref') && f.includes('what to do')), `findings: ${findings}`);
      for (const [kind, shown] of Object.entries(statements)) {
        const panel = await page.$eval(`#verification [data-vn-statement="${kind}SQL"] pre`, (p) => p.textContent);
        assert.deepEqual(lines(panel), shown, `the ${kind} statement in the panel`);
      }
    });
    await s.step('the form is modified', () => page.waitForSelector('#save[data-vn-modified="true"]'));
    await s.step('Save', () => page.click('#save'));
    await s.step('the form is saved', () => page.waitForSelector('#save[data-vn-modified="false"]'));

    await s.step('the form file holds the statements shown', () => {
      const saved = fs.readFileSync(form, 'utf8');
      for (const [kind, shown] of Object.entries(statements))
        assert.deepEqual(storedLines(saved, 'OrdersUpdate', `${kind}SQL`), shown, `the ${kind} statement`);
    });
  });
});
