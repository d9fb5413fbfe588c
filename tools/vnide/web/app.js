// The page of vnide serve: the palette, the designed form, the Object
// Inspector, the structure view and the transcript of one design session, and
// the dialogs its design thread waits in. Every action goes to the server as
// one POST, in the order the person made them; the state each answer carries
// is drawn at once, and a long poll draws what other tabs did.
'use strict';
(() => {
  const TOKEN = window.VN_TOKEN;
  const $ = (selector) => document.querySelector(selector);

  let state = null;           // the state last drawn
  let queue = Promise.resolve();
  let busy = 0;
  const latch = { shift: false, ctrl: false, alt: false };

  // ---- small helpers ---------------------------------------------------

  function h(tag, attrs = {}, ...children) {
    const el = document.createElement(tag);
    for (const [key, value] of Object.entries(attrs)) {
      if (value === undefined || value === null || value === false) continue;
      if (key === 'class') el.className = value;
      else if (key === 'text') el.textContent = value;
      else if (key.startsWith('on')) el.addEventListener(key.slice(2), value);
      else el.setAttribute(key, value === true ? '' : value);
    }
    for (const child of children.flat()) if (child !== null && child !== undefined) el.append(child);
    return el;
  }

  // A caption with its accelerator: "&OK" shows O underlined, "&&" one "&".
  function caption(text) {
    const out = [];
    let plain = '';
    for (let i = 0; i < text.length; ++i) {
      if (text[i] === '&' && i + 1 < text.length) {
        ++i;
        if (text[i] === '&') { plain += '&'; continue; }
        if (plain) out.push(plain);
        plain = '';
        out.push(h('u', { text: text[i] }));
      } else {
        plain += text[i];
      }
    }
    if (plain) out.push(plain);
    return out;
  }

  // One argument of a driver command: double quotes around it, with "\"" and
  // "\\" inside, as the driver reads it back.
  function quote(text) {
    return '"' + String(text).replace(/[\\"]/g, (c) => '\\' + c) + '"';
  }

  // The modifier keys of a click: the real ones and those held on the page.
  function modifiers(event) {
    const held = { shift: event.shiftKey || latch.shift, ctrl: event.ctrlKey || event.metaKey || latch.ctrl,
                   alt: event.altKey || latch.alt };
    releaseLatches();
    return held;
  }

  function releaseLatches() {
    for (const key of Object.keys(latch)) latch[key] = false;
    for (const b of document.querySelectorAll('[data-latch]')) b.setAttribute('aria-pressed', 'false');
  }

  function setStatus(text, isError) {
    const status = $('#status');
    status.textContent = text || '';
    status.classList.toggle('error', !!isError);
  }

  // ---- talking to the server -------------------------------------------

  async function request(path, options = {}) {
    const headers = Object.assign({ 'X-VN-Token': TOKEN }, options.headers || {});
    return fetch(path, Object.assign({}, options, { headers }));
  }

  // Queues one action; resolves to the server's answer, or null when none came.
  function act(body) {
    setBusy(+1);  // at once, so that the page counts as busy from the click on
    const run = async () => {
      try {
        const response = await request('/api/action', {
          method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body) });
        const answer = await response.json().catch(() => null);
        if (!answer) {
          setStatus(`${body.op}: the server answered ${response.status}`, true);
          return null;
        }
        if (answer.state) render(answer.state);
        if (answer.ok) setStatus('');
        else setStatus(answer.error || `${body.op} failed`, true);
        return answer;
      } catch (e) {
        setStatus(`${body.op}: ${e.message}`, true);
        return null;
      } finally {
        setBusy(-1);
      }
    };
    const result = queue.then(run);
    queue = result.catch(() => {});
    return result;
  }

  const dialog = (command) => act({ op: 'dialog', command });

  function setBusy(step) {
    busy += step;
    document.body.dataset.vnBusy = String(busy);
  }

  // Follows the session: each answer is a newer state than the one drawn.
  async function follow() {
    for (;;) {
      try {
        const since = state ? state.version : -1;
        const response = await request(`/api/state?since=${since}`);
        if (response.status === 403) {
          setStatus('The server refused the page: open the address vnide serve printed.', true);
          return;
        }
        if (!response.ok) throw new Error(`the server answered ${response.status}`);
        const next = await response.json();
        if (!state || next.version > state.version) render(next);
      } catch (e) {
        setStatus(`Lost the server (${e.message}); trying again.`, true);
        await new Promise((resolve) => setTimeout(resolve, 2000));
      }
    }
  }

  // ---- drawing the state -----------------------------------------------

  function render(next) {
    if (state && next.version < state.version) return;
    state = next;
    document.body.dataset.vnVersion = String(next.version);
    renderBar(next);
    renderPalette(next);
    renderDesigner(next);
    renderInspector(next);
    renderTree(next);
    renderTranscript(next);
    renderVerification(next);
    renderModules(next);
    renderModal(next);
    renderHints(next);
  }

  function currentForm(s) {
    return s.forms[s.form] || { file: '', name: '', modified: false };
  }

  function renderBar(s) {
    const tabs = $('#form-tabs');
    tabs.replaceChildren();
    if (s.forms.length > 1) {
      s.forms.forEach((form, index) => tabs.append(h('button', {
        type: 'button', role: 'tab', 'aria-selected': String(index === s.form), 'data-vn-form-tab': String(index),
        text: form.name + (form.modified ? ' *' : ''), title: form.file,
        onclick: () => { if (index !== state.form) act({ op: 'form', index }); },
      })));
    }
    const form = currentForm(s);
    $('#form-file').textContent = form.file;
    const save = $('#save');
    save.classList.toggle('modified', form.modified);
    save.dataset.vnModified = String(form.modified);
    $('#disk-change').hidden = !form.changedOnDisk;
    $('#form-title').textContent = form.name ? `Form ${form.name}` : 'Form';
    document.title = `vnide ${form.name}${form.modified ? ' (modified)' : ''}`;
  }

  // ---- palette ---------------------------------------------------------

  let palettePage = null;

  function renderPalette(s) {
    const pages = [...new Set(s.palette.map((entry) => entry.page))];
    if (!pages.includes(palettePage)) palettePage = pages[0] || null;
    const tabs = $('#palette-tabs');
    tabs.replaceChildren(...pages.map((page) => h('button', {
      type: 'button', role: 'tab', 'aria-selected': String(page === palettePage), text: page,
      onclick: () => { palettePage = page; renderPalette(state); },
    })));
    const items = $('#palette-items');
    const key = JSON.stringify([palettePage, s.palette]);
    if (items.dataset.key === key) return;
    items.dataset.key = key;
    items.replaceChildren(...s.palette.filter((entry) => entry.page === palettePage).map((entry) => {
      const el = h('div', { class: 'palette-entry', title: entry.class, 'data-vn-palette': entry.class },
        h('img', { src: withToken(entry.bitmap), alt: entry.class, draggable: 'false' }));
      dragSource(el, entry.class, (target) => act({ op: 'paletteDrop', class: entry.class, target }));
      return el;
    }));
  }

  function withToken(path) {
    return path + (path.includes('?') ? '&' : '?') + 'token=' + encodeURIComponent(TOKEN);
  }

  function bitmapOf(s, className) {
    const entry = s.palette.find((e) => e.class === className);
    return entry ? withToken(entry.bitmap) : null;
  }

  // Dragging with the pointer: a label follows it, and letting go over a node
  // of the structure view (or the designed form, which stands for the root)
  // drops there. Without movement it is a plain click.
  function dragSource(el, label, onDrop, onClick) {
    el.addEventListener('pointerdown', (down) => {
      if (down.button !== 0) return;
      down.preventDefault();
      let ghost = null;
      let over = null;
      const move = (e) => {
        if (!ghost && Math.hypot(e.clientX - down.clientX, e.clientY - down.clientY) < 4) return;
        if (!ghost) ghost = document.body.appendChild(h('div', { class: 'ghost', text: label }));
        ghost.style.left = `${e.clientX + 10}px`;
        ghost.style.top = `${e.clientY + 6}px`;
        const target = dropTargetAt(e.clientX, e.clientY);
        if (target !== over) {
          over?.classList.remove('drop-target');
          over = target;
          over?.classList.add('drop-target');
        }
      };
      const up = (e) => {
        document.removeEventListener('pointermove', move);
        document.removeEventListener('pointerup', up);
        over?.classList.remove('drop-target');
        if (!ghost) {
          if (onClick) onClick(e);
          return;
        }
        ghost.remove();
        const target = dropTargetAt(e.clientX, e.clientY);
        if (target) onDrop(target.id === 'designer' ? '' : target.dataset.vnNode);
      };
      document.addEventListener('pointermove', move);
      document.addEventListener('pointerup', up);
    });
  }

  function dropTargetAt(x, y) {
    const el = document.elementFromPoint(x, y);
    if (!el) return null;
    return el.closest('.tree-node[data-vn-node]') || (el.closest('#designer') ? $('#designer') : null);
  }

  // ---- the designed form -----------------------------------------------

  const icons = new Map(); // component name -> its icon, kept between states
  const ICON_W = 88, ICON_H = 56;

  function renderDesigner(s) {
    const host = $('#designer');
    const seen = new Set();
    // Components without a design position go in rows below the placed ones.
    let autoTop = 8;
    const shown = s.components.filter((c) => c.onSurface);
    for (const c of shown) if (Number.isFinite(c.top)) autoTop = Math.max(autoTop, c.top + ICON_H + 8);
    const perRow = Math.max(1, Math.floor((host.clientWidth || 480) / ICON_W));
    let auto = 0;
    for (const c of shown) {
      let el = icons.get(c.name);
      if (!el || el.dataset.vnClass !== c.class) {
        el?.remove();
        el = makeIcon(c.name, c.class, bitmapOf(s, c.class));
        icons.set(c.name, el);
        host.append(el);
      }
      let left = c.left, top = c.top;
      if (!Number.isFinite(left) || !Number.isFinite(top)) {
        left = 8 + (auto % perRow) * ICON_W;
        top = autoTop + Math.floor(auto / perRow) * (ICON_H + 8);
        ++auto;
      }
      if (!el.classList.contains('dragging')) {
        el.style.left = `${left}px`;
        el.style.top = `${top}px`;
      }
      el.classList.toggle('selected', s.selection.includes(c.name));
      seen.add(c.name);
    }
    for (const [name, el] of icons) {
      if (!seen.has(name)) { el.remove(); icons.delete(name); }
    }
  }

  function makeIcon(name, className, bitmap) {
    const el = h('div', { class: 'component', 'data-vn-component': name, 'data-vn-class': className,
                          title: `${name}: ${className}` },
      h('div', { class: 'glyph' }, bitmap ? h('img', { src: bitmap, alt: '', draggable: 'false' }) : className.slice(0, 3)),
      h('div', { class: 'caption', text: name }));
    el.addEventListener('pointerdown', (down) => {
      if (down.button !== 0) return;
      down.preventDefault();
      const startLeft = el.offsetLeft, startTop = el.offsetTop;
      let moved = false;
      const move = (e) => {
        const dx = e.clientX - down.clientX, dy = e.clientY - down.clientY;
        if (!moved && Math.hypot(dx, dy) < 4) return;
        moved = true;
        el.classList.add('dragging');
        el.style.left = `${Math.max(0, startLeft + dx)}px`;
        el.style.top = `${Math.max(0, startTop + dy)}px`;
      };
      const up = (e) => {
        document.removeEventListener('pointermove', move);
        document.removeEventListener('pointerup', up);
        if (moved) {
          el.classList.remove('dragging');
          const left = Math.max(0, Math.round(startLeft + e.clientX - down.clientX));
          const top = Math.max(0, Math.round(startTop + e.clientY - down.clientY));
          act({ op: 'move', component: name, left, top });
        } else {
          selectComponent(name, modifiers(e).shift);
        }
      };
      document.addEventListener('pointermove', move);
      document.addEventListener('pointerup', up);
    });
    el.addEventListener('dblclick', () => act({ op: 'dblclick', component: name }));
    el.addEventListener('contextmenu', (e) => {
      e.preventDefault();
      openVerbs(name, e.clientX, e.clientY);
    });
    return el;
  }

  function selectComponent(name, adding) {
    const names = adding ? [...new Set([...state.selection, name])] : [name];
    if (names.length === state.selection.length && names.every((n, i) => n === state.selection[i])) return;
    act({ op: 'select', names });
  }

  async function openVerbs(name, x, y) {
    if (!state.selection.includes(name)) selectComponent(name, false);
    const answer = await act({ op: 'verbs', component: name });
    if (!answer || !answer.ok) return;
    const verbs = (answer.verbs || []).filter((verb) => verb.visible !== false);
    if (verbs.length === 0) {
      setStatus(`${name} has no context menu entries`);
      return;
    }
    showPopup(x, y, verbs.map((verb) => {
      if (verb.separator) return h('hr', { class: 'separator' });
      const enabled = verb.enabled !== false;
      return h('div', { class: 'entry' + (enabled ? '' : ' disabled'), 'data-vn-verb': String(verb.index),
                        onclick: () => {
                          if (!enabled) return;
                          closePopup();
                          act({ op: 'verb', component: name, index: verb.index });
                        } },
        caption(verb.caption));
    }));
  }

  // ---- pop-ups: context menus and drop-down lists ----------------------

  function showPopup(x, y, entries) {
    const popup = $('#popup');
    popup.replaceChildren(...entries);
    popup.hidden = false;
    const width = popup.offsetWidth, height = popup.offsetHeight;
    popup.style.left = `${Math.max(0, Math.min(x, innerWidth - width - 4))}px`;
    popup.style.top = `${Math.max(0, Math.min(y, innerHeight - height - 4))}px`;
  }

  function closePopup() {
    const popup = $('#popup');
    if (popup.hidden) return false;
    popup.hidden = true;
    popup.replaceChildren();
    return true;
  }

  document.addEventListener('pointerdown', (e) => {
    if (!$('#popup').hidden && !e.target.closest('#popup') && !e.target.closest('[data-opens-popup]')) closePopup();
  });

  // ---- Object Inspector ------------------------------------------------

  function renderInspector(s) {
    const host = $('#inspector');
    const key = JSON.stringify([s.selection, s.inspector]);
    if (host.dataset.key === key) return;
    host.dataset.key = key;
    $('#inspector-head').textContent = s.selection.length === 0 ? 'Nothing selected'
      : s.selection.map((n) => {
          const c = s.components.find((x) => x.name === n);
          return c ? `${n}: ${c.class}` : n;
        }).join(', ');
    const byCategory = new Map();
    for (const row of s.inspector) {
      const category = row.category || 'Miscellaneous';
      if (!byCategory.has(category)) byCategory.set(category, []);
      byCategory.get(category).push(row);
    }
    const out = [];
    for (const [category, rows] of byCategory) {
      out.push(h('div', { class: 'category', 'data-vn-category': category, text: category }));
      for (const row of rows) out.push(inspectorRow(row));
    }
    host.replaceChildren(...out);
  }

  function inspectorRow(row) {
    const input = h('input', { type: 'text', value: row.value, readonly: row.readOnly, 'aria-label': row.name,
                               spellcheck: 'false' });
    input.dataset.sent = row.value;
    const commit = () => {
      if (row.readOnly || input.value === input.dataset.sent) return;
      input.dataset.sent = input.value;
      act({ op: 'set', property: row.name, value: input.value });
    };
    input.addEventListener('keydown', (e) => {
      if (e.key === 'Enter') { e.preventDefault(); commit(); }
    });
    input.addEventListener('blur', commit);
    const buttons = h('span', { class: 'buttons' });
    if (row.valueList) {
      buttons.append(h('button', { type: 'button', class: 'drop', title: 'Values', 'data-opens-popup': true, text: '\u25be',
                                   onclick: (e) => openValues(row.name, e.currentTarget) }));
    }
    if (row.dialog) {
      buttons.append(h('button', { type: 'button', class: 'ellipsis', title: 'Open the editor (Alt+click: the code editor)',
                                   text: '...', onclick: (e) => act({ op: 'ellipsis', property: row.name, alt: modifiers(e).alt }) }));
    }
    return h('div', { class: 'row', 'data-vn-row': row.name },
      h('span', { class: 'name', text: row.name, title: row.name }), input, buttons);
  }

  async function openValues(property, button) {
    if (closePopup()) return;
    const answer = await act({ op: 'values', property });
    if (!answer || !answer.ok) return;
    const box = button.closest('.row').getBoundingClientRect();
    const values = answer.values || [];
    showPopup(box.left + box.width * 0.42, box.bottom, values.length === 0
      ? [h('div', { class: 'entry disabled', text: '(no values)' })]
      : values.map((value) => h('div', { class: 'entry', 'data-vn-value': value, text: value,
                                         onclick: () => { closePopup(); act({ op: 'set', property, value }); } })));
  }

  // ---- structure view --------------------------------------------------

  function renderTree(s) {
    const host = $('#tree');
    const key = JSON.stringify([s.tree, s.selection]);
    if (host.dataset.key === key) return;
    host.dataset.key = key;
    host.replaceChildren(s.tree ? h('ul', {}, treeItem(s.tree, true)) : '');
  }

  function treeItem(node, isRoot) {
    const names = state.components.map((c) => c.name);
    const label = h('span', { class: 'tree-node', 'data-vn-node': node.name, title: node.name || node.caption },
      node.caption,
      node.problem ? h('span', { class: 'marker problem', title: 'incomplete', text: 'problem' }) : null,
      node.unplaced ? h('span', { class: 'marker unplaced', title: 'no rule placed it', text: 'unplaced' }) : null);
    if (state.selection.includes(node.name)) label.classList.add('selected');
    if (isRoot) {
      label.addEventListener('click', () => selectComponent(currentForm(state).name, false));
      if (state.selection.includes(currentForm(state).name)) label.classList.add('selected');
    } else {
      dragSource(label, node.caption, (target) => {
        if (target !== node.name) act({ op: 'drag', node: node.name, target });
      }, (e) => { if (names.includes(node.name)) selectComponent(node.name, modifiers(e).shift); });
    }
    const children = node.children || [];
    return h('li', {}, label, children.length ? h('ul', {}, children.map((child) => treeItem(child, false))) : null);
  }

  // ---- transcript ------------------------------------------------------

  const isErrorLine = (line) => /^(error: |\[Exception\]|\[Error\]|vnide: )/.test(line);

  function renderTranscript(s) {
    const host = $('#transcript');
    const key = JSON.stringify(s.transcript);
    if (host.dataset.key === key) return;
    host.dataset.key = key;
    host.replaceChildren(...s.transcript.map((line) =>
      h('div', { class: isErrorLine(line) ? 'line error' : 'line', text: line })));
    host.scrollTop = host.scrollHeight;
  }

  // ---- accepted statements -------------------------------------------

  // The statements an update object's dialog accepted last, with what their
  // check on the database found and what to do about it.
  function renderVerification(s) {
    const host = $('#verification');
    const v = s.verification;
    const key = JSON.stringify(v ?? null);
    if (host.dataset.key === key) return;
    host.dataset.key = key;
    host.hidden = !v;
    if (!v) return host.replaceChildren();
    const problems = v.findings.filter((f) => f.kind !== 'note');
    const summary = v.error ? `${v.object}: ${v.error}`
      : v.ok ? `${v.object}: the statements pass their check on the database`
        : `${v.object}: ${problems.length} problem(s) on the database`;
    host.replaceChildren(
      h('div', { class: v.ok ? 'summary' : 'summary failed', 'data-vn-verification': v.ok ? 'ok' : 'failed', text: summary }),
      ...v.findings.map((f) => h('div', { class: f.kind === 'note' ? 'note' : 'finding', 'data-vn-finding': f.kind },
        h('div', { text: `${f.statement ? f.statement + ': ' : ''}${f.kind === 'finding' ? '' : f.kind + ': '}${f.reason}` }),
        f.hint ? h('div', { class: 'hint', text: `what to do: ${f.hint}` }) : null)),
      h('div', { class: 'statements' }, ...Object.entries(v.statements).map(([name, lines]) =>
        h('div', { 'data-vn-statement': name }, h('b', { text: name }),
          h('pre', { text: lines.length ? lines.join('\n') : '(empty)' })))));
  }

  // The code editor's modules stay open between actions until closed, as in
  // the builder: each shows its text, which Replace changes, Save writes into
  // its property and Close closes (a modified one asks first).
  function renderModules(s) {
    const host = $('#modules');
    const modules = s.modules || [];
    const key = JSON.stringify(modules);
    if (host.dataset.key === key) return;
    host.dataset.key = key;
    host.hidden = modules.length === 0;
    host.replaceChildren(...modules.map((m) => {
      const text = h('textarea', { class: 'module-text', rows: '5', spellcheck: 'false', wrap: 'off',
                                   'aria-label': `Text of ${m.name}` });
      text.value = m.text.replace(/\r\n$/, '').replace(/\r\n/g, '\n');
      const command = (c) => act({ op: 'module', command: c, name: m.name });
      return h('div', { class: m.front ? 'module front' : 'module', 'data-vn-module': m.name },
        h('div', { class: 'name', text: `Code editor: ${m.name}${m.property ? ' (' + m.property + ')' : ''}` +
                                         (m.modified ? ' (modified)' : '') }),
        text,
        h('div', { class: 'buttons' },
          h('button', { type: 'button', text: 'Replace', onclick: () => act({ op: 'moduleText', name: m.name, lines: text.value.split('\n') }) }),
          h('button', { type: 'button', text: 'Save', onclick: () => command('save') }),
          h('button', { type: 'button', text: 'Close', onclick: () => command('close') })));
    }));
  }

  // ---- dialogs ---------------------------------------------------------

  let focusing = false;     // the page itself moves the focus: no click to send
  let menuPoint = null;     // where the last right click on a dialog control was
  let shownForm = null;      // { name, window, client, controls: Map name -> view, focused }

  function renderModal(s) {
    const overlay = $('#overlay');
    const modal = s.modal;
    if (!modal) {
      if (!overlay.hidden) {
        overlay.hidden = true;
        overlay.replaceChildren();
        delete overlay.dataset.boxKey;
        shownForm = null;
      }
      return;
    }
    closePopup();
    overlay.hidden = false;
    const layout = modal.kind === 'form' ? modal.layout : modal.under;
    if (layout) renderForm(layout, modal.kind !== 'form');
    else if (shownForm) { shownForm.window.remove(); shownForm = null; }
    for (const el of overlay.querySelectorAll('.described')) el.remove();
    if (modal.kind === 'form' && !layout) overlay.prepend(describedForm(modal));
    // A box over the form is made again only when what it shows changed, so
    // that what is typed into it outlives other answers.
    const { layout: _layout, under: _under, show: _show, ...boxed } = modal;
    const key = modal.kind === 'form' ? '' : JSON.stringify(boxed);
    if (overlay.dataset.boxKey === key) return;
    overlay.dataset.boxKey = key;
    for (const el of overlay.querySelectorAll('.stacked')) el.remove();
    if (modal.kind === 'message') overlay.append(stacked(messageBox(modal)));
    else if (modal.kind === 'menu') overlay.append(stacked(placed(menuBox(modal), menuPoint)));
    else if (modal.kind === 'file') overlay.append(stacked(fileBox(modal)));
    const first = overlay.querySelector('.stacked [data-first]');
    if (first) first.focus();
  }

  // A form the server could not lay out: its description as text, its keys still work.
  function describedForm(m) {
    return h('div', { class: 'window described', role: 'dialog', 'data-vn-form': m.name },
      titleBar(m.caption || m.name, () => dialog('close')), h('pre', { class: 'body', text: m.show || '' }));
  }

  // A context menu opens where the right click was.
  function placed(box, point) {
    if (point) {
      box.style.position = 'fixed';
      box.style.left = `${Math.max(0, Math.min(point.x, innerWidth - 220))}px`;
      box.style.top = `${Math.max(0, Math.min(point.y, innerHeight - 40 - 22 * box.childElementCount))}px`;
    }
    return box;
  }

  function stacked(box) {
    return h('div', { class: 'stacked' }, box);
  }

  function titleBar(text, onClose) {
    return h('div', { class: 'titlebar' }, h('span', { class: 'title', text }),
      onClose ? h('button', { type: 'button', class: 'close', title: 'Close', text: '\u00d7', onclick: onClose }) : null);
  }

  function messageBox(m) {
    const buttons = m.buttons.map((b, i) => h('button', { type: 'button', 'data-vn-button': b, 'data-first': i === 0,
                                                          text: b, onclick: () => dialog(`answer ${quote(b)}`) }));
    return h('div', { class: 'window message', role: 'alertdialog', 'data-vn-message': m.type },
      titleBar(m.type), h('div', { class: 'body', text: m.text }), h('div', { class: 'buttons' }, buttons));
  }

  function menuBox(m) {
    return h('div', { class: 'window menubox', role: 'menu' },
      titleBar(m.name || 'Menu', () => dialog('key esc')),
      m.items.map((item) => item.separator ? h('hr', { class: 'separator' }) : h('div', {
        class: 'entry' + (item.enabled ? '' : ' disabled') + (item.checked ? ' checked' : ''),
        role: 'menuitem', 'data-vn-item': item.name,
        onclick: () => { if (item.enabled) dialog(`click ${quote(item.name)}`); },
      }, caption(item.caption))));
  }

  function fileBox(m) {
    const name = h('input', { type: 'text', value: m.fileName || '', 'data-vn-file-name': true, 'data-first': true,
                              'aria-label': 'File name', spellcheck: 'false' });
    const open = () => dialog(`file ${quote(name.value)}`);
    name.addEventListener('keydown', (e) => { if (e.key === 'Enter') { e.preventDefault(); open(); } });
    return h('div', { class: 'window filebox', role: 'dialog' },
      titleBar(m.title || 'Open', () => dialog('key esc')),
      h('div', { class: 'body' }, h('label', { text: 'File name:' }), name,
        h('div', { class: 'filter', text: m.filter ? `Files of type: ${m.filter}` : '' })),
      h('div', { class: 'buttons' },
        h('button', { type: 'button', 'data-vn-button': 'Open', text: 'Open', onclick: open }),
        h('button', { type: 'button', 'data-vn-button': 'Cancel', text: 'Cancel', onclick: () => dialog('key esc') })));
  }

  // A modal form. Its controls keep their elements from one state to the next,
  // so that a click that began before an answer arrived still lands.
  function renderForm(layout, inactive) {
    if (!shownForm || shownForm.name !== layout.name) {
      shownForm?.window.remove();
      const client = h('div', { class: 'client' });
      const win = h('div', { class: 'window', role: 'dialog', 'data-vn-form': layout.name }, titleBar('', () => dialog('close')), client);
      $('#overlay').prepend(win);
      shownForm = { name: layout.name, window: win, client, controls: new Map(), focused: null, order: '' };
    }
    const { window: win, client, controls } = shownForm;
    win.classList.toggle('inactive', inactive);
    win.querySelector('.titlebar .title').textContent = layout.caption;
    client.style.width = `${layout.clientWidth}px`;
    client.style.height = `${layout.clientHeight}px`;
    client.style.backgroundColor = layout.color || '';
    applyFont(client, layout.font);

    const seen = new Set();
    for (const c of layout.controls) {
      let view = controls.get(c.name);
      if (!view || view.kind !== c.kind) {
        view?.el.remove();
        view = makeControl(c);
        controls.set(c.name, view);
      }
      view.control = c;
      updateControl(view, c);
      seen.add(c.name);
    }
    for (const [name, view] of controls) {
      if (!seen.has(name)) { view.el.remove(); controls.delete(name); }
    }
    // Parents come before their children: document order is paint order.
    const order = layout.controls.map((c) => c.name).join('\n');
    if (order !== shownForm.order) {
      shownForm.order = order;
      let previous = null;
      for (const c of layout.controls) {
        const el = controls.get(c.name).el;
        const wanted = previous ? previous.nextSibling : client.firstChild;
        if (wanted !== el) client.insertBefore(el, wanted);
        previous = el;
      }
    }
    if (inactive) return;
    const focused = layout.controls.find((c) => c.focused);
    const name = focused ? focused.name : null;
    const target = focused ? controls.get(name).focusEl : null;
    if (name !== shownForm.focused || (target && !client.contains(document.activeElement))) {
      shownForm.focused = name;
      if (target && document.activeElement !== target) {
        focusing = true;
        target.focus({ preventScroll: true });
        focusing = false;
      }
    }
  }

  function applyFont(el, font) {
    if (!font) {
      el.style.font = '';
      el.style.textDecoration = '';
      el.style.color = '';
      return;
    }
    el.style.fontFamily = `"${font.family}", "Liberation Sans", sans-serif`;
    el.style.fontSize = `${font.size}px`;
    el.style.fontWeight = font.bold ? 'bold' : 'normal';
    el.style.fontStyle = font.italic ? 'italic' : 'normal';
    el.style.textDecoration = font.underline ? 'underline' : '';
    el.style.color = font.color || '';
  }

  const CONTROL_MAKERS = {
    label: (c) => {
      const el = h('div', { class: 'ctl label', onclick: () => clickControl(c.name) });
      return { el };
    },
    button: (c) => {
      const el = h('button', { type: 'button', class: 'ctl button', onclick: () => clickControl(c.name) });
      return { el, focusEl: el };
    },
    edit: (c) => {
      const el = h('input', { type: 'text', class: 'ctl edit', spellcheck: 'false' });
      el.addEventListener('blur', () => commitText(c.name, el));
      return { el, focusEl: el, textEl: el };
    },
    combo: (c) => {
      const input = h('input', { type: 'text', spellcheck: 'false', 'aria-label': c.name });
      input.addEventListener('blur', () => commitText(c.name, input));
      const drop = h('button', { type: 'button', tabindex: '-1', 'data-opens-popup': true, title: 'Drop down', text: '\u25be' });
      const el = h('div', { class: 'ctl combo' }, input, drop);
      drop.addEventListener('click', () => {
        if (closePopup()) return;
        const items = el.vnControl.items;
        const box = el.getBoundingClientRect();
        const entries = items.map((item, index) => h('div', { class: 'entry' + (index === el.vnControl.itemIndex ? ' current' : ''),
          'data-vn-item': item, text: item,
          onclick: () => { closePopup(); dialog(`select ${c.name} #${index}`); } }));
        showPopup(box.left, box.bottom, entries.length ? entries : [h('div', { class: 'entry disabled', text: '(no items)' })]);
        $('#popup').style.minWidth = `${box.width}px`;
      });
      return { el, focusEl: input, textEl: input };
    },
    list: (c) => {
      const el = h('div', { class: 'ctl list', tabindex: '0', role: 'listbox' });
      el.addEventListener('click', (e) => {
        const item = e.target.closest('.item');
        if (item) clickListItem(c.name, el.vnControl, Number(item.dataset.index), modifiers(e));
      });
      return { el, focusEl: el };
    },
    check: (c) => {
      const el = h('div', { class: 'ctl check', tabindex: '0', role: 'checkbox', onclick: () => clickControl(c.name) },
        h('span', { class: 'box' }), h('span', { class: 'text' }));
      el.addEventListener('keydown', (e) => { if (e.key === ' ') { e.preventDefault(); clickControl(c.name); } });
      return { el, focusEl: el };
    },
    memo: (c) => {
      const el = h('textarea', { class: 'ctl memo', spellcheck: 'false', wrap: 'off' });
      el.addEventListener('blur', () => {
        if (el.value === el.dataset.sent) return;
        el.dataset.sent = el.value;
        act({ op: 'memo', control: c.name, lines: el.value.split('\n') });
      });
      return { el, focusEl: el, textEl: el };
    },
    radio: (c) => {
      const el = h('div', { class: 'ctl radio', tabindex: '0', role: 'radiogroup' },
        h('span', { class: 'legend' }), h('div', { class: 'choices' }));
      el.addEventListener('click', (e) => {
        const choice = e.target.closest('.choice');
        if (choice) dialog(`radio ${c.name} #${choice.dataset.index}`);
      });
      return { el, focusEl: el };
    },
    group: (c) => {
      const el = h('div', { class: 'ctl group' }, h('span', { class: 'legend' }));
      return { el };
    },
    pages: (c) => {
      const el = h('div', { class: 'ctl pages', tabindex: '-1' }, h('div', { class: 'tabs', role: 'tablist' }));
      el.addEventListener('click', (e) => {
        const tab = e.target.closest('.tab');
        if (tab && tab.getAttribute('aria-selected') !== 'true') dialog(`page ${c.name} ${quote(tab.dataset.vnTab)}`);
      });
      return { el, focusEl: el };
    },
    image: (c) => ({ el: h('div', { class: c.picture ? 'ctl image picture' : 'ctl image', onclick: () => clickControl(c.name) },
      c.picture ? h('img', { src: c.picture, alt: '', draggable: 'false' }) : null) }),
  };

  // Kinds whose own background the layout's colour paints.
  const COLORED = new Set(['panel', 'page', 'edit', 'combo', 'list', 'memo']);

  function makeControl(c) {
    const maker = CONTROL_MAKERS[c.kind] || ((x) => ({ el: h('div', { class: `ctl ${x.kind}` }) }));
    const view = maker(c);
    // Clicking into a text box moves the dialog's focus there at once, so that
    // the control that had it gets its exit event first, as on the platform.
    if (view.textEl) {
      view.textEl.addEventListener('focus', () => {
        if (!focusing && view.control && !view.control.focused) dialog(`click ${c.name}`);
      });
    }
    view.kind = c.kind;
    // A right click is the driver's: it opens the control's context menu, if any.
    view.el.addEventListener('contextmenu', (e) => {
      e.preventDefault();
      menuPoint = { x: e.clientX, y: e.clientY };
      commitFocused();
      dialog(`click ${c.name} right`);
    });
    view.el.dataset.vnControl = c.name;
    view.el.dataset.vnKind = c.kind;
    return view;
  }

  function updateControl(view, c) {
    const el = view.el;
    el.vnControl = c;
    el.style.left = `${c.left}px`;
    el.style.top = `${c.top}px`;
    el.style.width = `${c.width}px`;
    el.style.height = `${c.height}px`;
    applyFont(el, c.font);
    el.classList.toggle('disabled', !c.enabled);
    el.classList.toggle('focused', c.focused);
    el.title = c.name;
    if (COLORED.has(c.kind)) (view.textEl || el).style.backgroundColor = c.color || '';
    if (c.alignment) el.style.textAlign = c.alignment;
    if (c.bevel) el.dataset.bevel = c.bevel;
    if (c.shape) el.dataset.shape = c.shape;
    if ('disabled' in el) el.disabled = !c.enabled;
    if (view.textEl && view.textEl !== el) view.textEl.disabled = !c.enabled;
    switch (c.kind) {
      case 'label':
        el.replaceChildren(...caption(c.caption));
        break;
      case 'button':
        el.replaceChildren(...caption(c.caption));
        el.classList.toggle('default', c.default);
        el.classList.toggle('cancel', c.cancel);
        break;
      case 'edit':
      case 'combo':
        setText(view.textEl, c.text);
        break;
      case 'memo':
        setText(view.textEl, c.lines.join('\n'));
        break;
      case 'list': {
        const key = JSON.stringify([c.items, c.selected, c.itemIndex]);
        if (el.dataset.key !== key) {
          el.dataset.key = key;
          if (c.itemHeight > 0) el.style.setProperty('--item-height', `${c.itemHeight}px`);
          el.replaceChildren(...c.items.map((item, index) => h('div', {
            class: 'item' + (isSelected(c, index) ? ' selected' : ''), role: 'option', 'data-index': String(index),
            'data-vn-item': item, 'aria-selected': String(isSelected(c, index)), text: item })));
        }
        break;
      }
      case 'check':
        el.querySelector('.box').textContent = c.checked ? '\u2713' : '';
        el.querySelector('.text').replaceChildren(...caption(c.caption));
        el.setAttribute('aria-checked', String(c.checked));
        break;
      case 'radio': {
        el.querySelector('.legend').replaceChildren(...caption(c.caption));
        const choices = el.querySelector('.choices');
        const columns = Math.max(1, c.columns || 1);
        choices.style.gridTemplateColumns = `repeat(${columns}, 1fr)`;
        choices.replaceChildren(...c.items.map((item, index) => h('div', {
          class: 'choice' + (index === c.itemIndex ? ' chosen' : ''), role: 'radio', 'data-index': String(index),
          'data-vn-item': item, 'aria-checked': String(index === c.itemIndex) }, h('span', { class: 'dot' }), h('span', {}, caption(item)))));
        break;
      }
      case 'group':
        el.querySelector('.legend').replaceChildren(...caption(c.caption));
        break;
      case 'pages':
        el.querySelector('.tabs').replaceChildren(...c.tabs.map((tab, index) => h('button', {
          type: 'button', tabindex: '-1', class: 'tab', role: 'tab', 'data-vn-tab': tab,
          'aria-selected': String(index === c.activeTab) }, caption(tab))));
        break;
      case 'panel':
        el.replaceChildren(...caption(c.caption || ''));
        break;
      default:
        break;
    }
  }

  function isSelected(c, index) {
    return c.selected.includes(index) || c.selected.includes(c.items[index]);
  }

  // An edit keeps what the person is typing; otherwise it shows the server's text.
  function setText(el, text) {
    text = text.replace(/\r\n?/g, '\n');  // as a text box keeps it
    const typing = document.activeElement === el && el.value !== el.dataset.sent;
    el.dataset.sent = text;
    if (!typing) el.value = text;
  }

  // Typing goes to the server when the person leaves the edit or presses Enter.
  function commitText(name, el) {
    if (!shownForm || el.value === el.dataset.sent) return false;
    el.dataset.sent = el.value;
    dialog(`type ${name} ${el.value}`);
    return true;
  }

  // Sends what is typed in the focused edit or memo before a key acts.
  function commitFocused() {
    const el = document.activeElement;
    if (!el || !shownForm || !shownForm.client.contains(el)) return;
    if (el.tagName === 'TEXTAREA' || el.tagName === 'INPUT') el.blur();
  }

  function clickControl(name) {
    dialog(`click ${name}`);
  }

  // Clicks in a list box as the platform reads them: a plain click selects the
  // one item, Ctrl+click adds or takes away one, Shift+click a range.
  let listAnchor = new Map();
  function clickListItem(name, c, index, held) {
    const selected = c.items.map((_, i) => i).filter((i) => isSelected(c, i));
    const item = (i) => `#${i}`;
    if (held.ctrl) {
      dialog(`${selected.includes(index) ? 'deselect' : 'select'} ${name} ${item(index)}`);
      listAnchor.set(name, index);
      return;
    }
    let wanted = [index];
    if (held.shift && listAnchor.has(name)) {
      const from = Math.min(listAnchor.get(name), index), to = Math.max(listAnchor.get(name), index);
      wanted = [];
      for (let i = from; i <= to; ++i) wanted.push(i);
    } else {
      listAnchor.set(name, index);
    }
    const away = selected.filter((i) => !wanted.includes(i));
    if (away.length) dialog(`deselect ${name} ${away.map(item).join(' ')}`);
    const add = wanted.filter((i) => !selected.includes(i));
    if (add.length) dialog(`select ${name} ${add.map(item).join(' ')}`);
  }

  // ---- keys ------------------------------------------------------------

  document.addEventListener('keydown', (e) => {
    if (e.key === 'Escape' && closePopup()) { e.preventDefault(); return; }
    const modal = state && state.modal;
    if (!modal) return;
    const letter = /^Key([A-Z])$/.exec(e.code);
    if (e.altKey && !e.ctrlKey && !e.metaKey && letter && (modal.kind === 'form' || modal.kind === 'menu')) {
      e.preventDefault();
      commitFocused();
      dialog(`alt ${letter[1].toLowerCase()}`);
      return;
    }
    const inMemo = e.target.tagName === 'TEXTAREA';
    switch (e.key) {
      case 'Escape':
        e.preventDefault();
        dialog('key esc');
        break;
      case 'Enter':
        if (modal.kind === 'file' || (inMemo && modal.kind === 'form')) return;
        // A message button that has the focus takes its own Enter.
        if (modal.kind === 'message' && e.target.matches('[data-vn-button]')) return;
        e.preventDefault();
        if (modal.kind === 'form' && e.target.tagName === 'INPUT' && e.target.closest('[data-vn-control]')) {
          if (commitText(e.target.closest('[data-vn-control]').dataset.vnControl, e.target)) return;
        }
        dialog('key enter');
        break;
      case 'Tab':
        if (modal.kind !== 'form') return;
        e.preventDefault();
        commitFocused();
        dialog(e.shiftKey ? 'key shift+tab' : 'key tab');
        break;
      default:
        break;
    }
  });

  // ---- hints: every key the page reacts to, and how to do it by mouse --

  const HINTS = {
    none: [
      ['Click', 'selects'], ['Shift+click', 'adds to the selection'], ['Double click', 'the component editor'],
      ['Right click', 'context menu'], ['Esc', 'closes a menu or list'], ['Drag', 'moves; drop a palette entry or a structure node on a node'],
      ['Enter', 'sets an inspector value (so does leaving it)'], ['...', 'its editor'], ['Alt+click ...', 'the code editor'],
    ],
    form: [
      ['Enter', 'presses the default button (thick border); in an edit, takes the text'], ['Esc', 'the cancel button'],
      ['Alt+underlined letter', 'that control'], ['Tab / Shift+Tab', 'next / previous control'],
      ['Space', 'the focused button or check box'], ['Ctrl+click / Shift+click', 'adds list items'],
      ['Right click', 'the control\'s context menu'], ['\u00d7', 'closes the window'],
    ],
    message: [['Enter', 'the focused button, else OK or Yes'], ['Tab', 'next button'], ['Esc', 'Cancel, else No, else OK']],
    menu: [['Alt+underlined letter', 'that item'], ['Esc or \u00d7', 'closes the menu']],
    file: [['Enter', 'Open'], ['Esc', 'Cancel']],
  };

  function renderHints(s) {
    const kind = s.modal ? s.modal.kind : 'none';
    const host = $('#hints');
    if (host.dataset.kind === kind) return;
    host.dataset.kind = kind;
    host.replaceChildren(...(HINTS[kind] || []).map(([keys, what]) => h('span', {}, h('kbd', { text: keys }), ` ${what}`)),
      h('span', { text: 'Shift, Ctrl, Alt at the top hold a key for your next click.' }));
  }

  // ---- start -----------------------------------------------------------

  $('#save').addEventListener('click', () => act({ op: 'save' }));
  $('#save-anyway').addEventListener('click', () => act({ op: 'save', force: true }));
  $('#reload').addEventListener('click', () => {
    if (currentForm(state).modified && !window.confirm('Give up the changes made here and read the file again?')) return;
    act({ op: 'reload' });
  });
  for (const b of document.querySelectorAll('[data-latch]')) {
    b.setAttribute('aria-pressed', 'false');
    b.addEventListener('click', () => {
      const key = b.dataset.latch;
      latch[key] = !latch[key];
      b.setAttribute('aria-pressed', String(latch[key]));
    });
  }
  $('#designer').addEventListener('pointerdown', (e) => {
    // The form's own background selects the form, as in the builder.
    if (e.target.id === 'designer' && e.button === 0 && state) selectComponent(currentForm(state).name, false);
  });
  window.addEventListener('beforeunload', (e) => {
    if (state && state.forms.some((f) => f.modified)) {
      e.preventDefault();
      e.returnValue = '';
    }
  });

  (async () => {
    try {
      const response = await request('/api/state');
      if (response.ok) render(await response.json());
      else setStatus(`The server answered ${response.status}: open the address vnide serve printed.`, true);
    } catch (e) {
      setStatus(`No server: ${e.message}`, true);
    }
    follow();
  })();
})();
