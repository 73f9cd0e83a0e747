import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, describe, test } from 'node:test';
import { strFromU8, unzipSync } from 'fflate';
import { messages } from '../../web/assets/js/messages.js';
import { PNG_BASE64, addPages, row, rowTitles, savePicker, storedTree, until, useWindow } from '../support/browser.mjs';

const PNG = Buffer.from(PNG_BASE64, 'base64');
// 日本語テスト in Shift_JIS.
const SHIFT_JIS = Buffer.from([0x93, 0xfa, 0x96, 0x7b, 0x8c, 0xea, 0x83, 0x65, 0x83, 0x58, 0x83, 0x67]);

const folders = [];
after(() => folders.forEach((dir) => fs.rmSync(dir, { recursive: true, force: true })));

// Writes files (path → text or bytes) under a new folder named `name`; returns its path.
function writeFolder(name, files) {
  const top = fs.mkdtempSync(path.join(os.tmpdir(), 'ferncard-import-'));
  folders.push(top);
  for (const [file, content] of Object.entries(files)) {
    const full = path.join(top, name, file);
    fs.mkdirSync(path.dirname(full), { recursive: true });
    fs.writeFileSync(full, content);
  }
  return path.join(top, name);
}

async function startImport(page, choice, files) {
  await page.click('#fileBtn');
  await page.locator('#fileMenu').getByRole('menuitem', { name: messages.importAction }).click();
  const chooser = page.waitForEvent('filechooser');
  await page.locator('dialog').getByRole('button', { name: choice }).click();
  await (await chooser).setFiles(files);
}

// Imports through the file menu and resolves the summary's count line and skipped list.
async function importThrough(page, choice, files) {
  await startImport(page, choice, files);
  const summary = page.locator('dialog.import-summary');
  await summary.waitFor();
  const result = {
    counts: await summary.locator('.import-counts').textContent(),
    skipped: await summary.locator('.import-skipped li').evaluateAll((items) => items.map((li) =>
      li.querySelector('.import-skipped-path').textContent + ' — ' + li.querySelector('.import-skipped-reason').textContent)),
  };
  await summary.getByRole('button', { name: messages.close }).click();
  return result;
}

// The stored pages below the top page titled `title`: { title, body, children } each, bodies as stored.
async function storedBranch(page, title) {
  return page.evaluate(async (rootTitle) => {
    const { api } = await import('/assets/js/api.js');
    const doc = JSON.parse((await api.getTree()).text);
    const live = doc.pages.filter((entry) => entry.deletedAt === null);
    const build = async (entry) => ({
      id: entry.id,
      title: entry.title,
      body: (await api.getPage(entry.id)).html,
      children: await Promise.all(live.filter((child) => child.parentId === entry.id)
        .sort((a, b) => a.order - b.order).map(build)),
    });
    return build(live.find((entry) => entry.title === rootTitle && entry.parentId === null));
  }, title);
}

const flatten = (node, list = []) => {
  list.push(node);
  node.children.forEach((child) => flatten(child, list));
  return list;
};
const shape = (node) => [node.title, node.children.map(shape)];
// A body with its page links named by title and its pictures by content, between-tag white space gone.
async function comparable(page, nodes) {
  const titles = new Map(nodes.map((node) => [node.id, node.title]));
  const hashes = await page.evaluate(async (ids) => {
    const result = {};
    for (const id of ids) {
      const bytes = new Uint8Array(await (await fetch('/api/images/' + id)).arrayBuffer());
      result[id] = [...new Uint8Array(await crypto.subtle.digest('SHA-256', bytes))].slice(0, 6).join('.');
    }
    return result;
  }, [...new Set(nodes.flatMap((node) => [...node.body.matchAll(/\/api\/images\/([0-9a-f]{32})/g)].map((m) => m[1])))]);
  return nodes.map((node) => ({
    title: node.title,
    body: node.body.replace(/#([0-9a-f-]{36})"/g, (m, id) => '#' + titles.get(id) + '"')
      .replace(/\/api\/images\/([0-9a-f]{32})/g, (m, id) => 'picture:' + hashes[id])
      .replace(/>\n+</g, '><').trim(),
  }));
}

describe('import and Markdown export', () => {
  let page;
  useWindow(async (opened) => {
    ({ page } = opened);
  }, {
    initScript: savePicker,
    // Parsing the hostile file reports the handlers the policy blocks.
    allow: [/^Executing inline event handler violates/, /^CSP violation: script-src-attr inline$/],
  });

  test('a folder of notes comes in as pages, with links, pictures and a summary of what was left out', async () => {
    const folder = writeFolder('Notes', {
      'Front.md': '---\ntitle: "表紙: はじめ"\ntags: [a]\n---\n\n## 概要\n\n' +
        '| 名前 | 値 |\n| --- | --- |\n| a | 1 |\n\n- [x] 済み\n- [ ] 未完\n\n```js\nconst a = 1 < 2;\n```\n\n' +
        '[深い](sub/Deep.md#part) [[Deep]] [[見出しのページ|ラベル]] [無い](missing.md) https://example.com/x ~~消す~~\n\n' +
        '![共有](images/shared.png) ![](images/gone.png)\n',
      'heading.md': '# 見出しのページ\n\n本文 ![[shared.png]] ![](images/copy.png)\n',
      'sub/index.md': '# サブ\n\nフォルダの本文\n',
      'sub/Deep.md': 'Deep の本文 [戻る](../Front.md)\n\n![大](../big.png)\n',
      'sjis.txt': Buffer.concat([SHIFT_JIS, Buffer.from('\r\nline 2\r\n\r\nnext')]),
      'hostile.html': '<html><head><title>危険</title><script>window.__hit = 1</script></head><body>' +
        '<p onclick="window.__hit = 2">安全<img src="images/shared.png" onerror="window.__hit = 3"></p>' +
        '<a href="javascript:window.__hit = 4">js</a><img src="https://example.com/t.png"><iframe src="https://example.com/"></iframe></body></html>',
      'data.bin': 'x',
      '.obsidian/workspace.json': '{}',
      'images/shared.png': PNG,
      'images/copy.png': PNG,
      'big.png': Buffer.concat([PNG, Buffer.alloc(20 * 1024 * 1024 + 1 - PNG.length)]),
    });
    const imagesBefore = await page.evaluate(async () => (await (await import('/assets/js/api.js')).api.listImages()).length);
    const summary = await importThrough(page, messages.chooseFolder, folder);
    assert.equal(summary.counts, messages.importCounts(7, 1));
    assert.deepEqual(summary.skipped.sort(), [
      'Front.md — ' + messages.linkNotFound('missing.md'),
      'Front.md — ' + messages.pictureNotFound + ': images/gone.png',
      'data.bin — ' + messages.unsupportedNote,
      'sub/Deep.md — ' + messages.pictureTooLarge + ': ../big.png',
    ].sort());

    const root = await storedBranch(page, messages.importRoot('Notes'));
    assert.deepEqual(shape(root), [messages.importRoot('Notes'), [
      ['表紙: はじめ', []], ['見出しのページ', []], ['危険', []], ['sjis', []], ['サブ', [['Deep', []]]]]]);
    const [front, heading, hostile, sjis, sub] = root.children;
    const deep = sub.children[0];
    const picture = /\/api\/images\/([0-9a-f]{32})/.exec(front.body)[1];
    assert.equal(await page.evaluate(async () => (await (await import('/assets/js/api.js')).api.listImages()).length), imagesBefore + 1);
    assert.equal(front.body.replace(/\n/g, ''), '<h2>概要</h2><table><thead><tr><th>名前</th><th>値</th></tr></thead>' +
      '<tbody><tr><td>a</td><td>1</td></tr></tbody></table><ul><li>☑ 済み</li><li>☐ 未完</li></ul>' +
      '<pre><code>const a = 1 &lt; 2;</code></pre>' +
      `<p><a href="#${deep.id}">深い</a> <a href="#${deep.id}">Deep</a> <a href="#${heading.id}">ラベル</a> 無い ` +
      '<a href="https://example.com/x">https://example.com/x</a> <s>消す</s></p>' +
      `<p><img src="/api/images/${picture}" alt="共有"> </p>`);
    assert.equal(heading.body.replace(/\n/g, ''),
      `<p>本文 <img src="/api/images/${picture}" alt=""> <img src="/api/images/${picture}" alt=""></p>`);
    assert.equal(sub.body.replace(/\n/g, ''), '<p>フォルダの本文</p>');
    assert.equal(deep.body.replace(/\n/g, ''), `<p>Deep の本文 <a href="#${front.id}">戻る</a></p>`);
    assert.equal(sjis.body, '<p>日本語テスト<br>line 2</p><p>next</p>');
    assert.equal(hostile.body, `<p>安全<img src="/api/images/${picture}" alt=""></p>js` +
      `<a href="https://example.com/t.png">${messages.outsideImage}https://example.com/t.png</a>`);
    assert.equal(await page.evaluate(() => window.__hit), undefined);
    // The new branch is shown and open.
    assert.ok((await rowTitles(page)).includes(messages.importRoot('Notes')));
  });

  test('a branch goes out as a Markdown ZIP and comes back the same, and so does its HTML export', async () => {
    const img = '<p><img src="{image}" alt="pic"></p>';
    const built = await addPages(page, {
      top: { title: 'Top', order: 900000, body: '<p>Top text with <strong>bold</strong>, <em>it</em> and <u>under</u>.</p><ul><li>one</li><li>two</li></ul>' },
      a: { title: 'Child: A', parent: 'top', order: 1000, body: '<h2>Heading</h2><table><thead><tr><th>k</th><th>v</th></tr></thead><tbody><tr><td>a</td><td>1 | 2</td></tr></tbody></table>' +
        '<ul><li>☑ done</li><li>☐ open</li></ul><pre><code>let x = 1;\nlet y = "&lt;b&gt;";\n</code></pre>' +
        `<p><a href="#{b}">to B</a> <a href="#{outside}">outside</a> <a href="https://example.com/">web</a> <s>gone</s></p>${img}` +
        '<ol><li>first</li><li>second</li></ol><blockquote><p>quoted</p></blockquote>' },
      b: { title: 'Child B', parent: 'top', order: 2000, body: `<p>back to <a href="#{top}">Top</a></p>${img}` },
      outside: { title: 'Outside', order: 950000 },
    });
    await page.reload();
    await row(page, 'Top').click();
    await page.waitForFunction(() => document.getElementById('title').value === 'Top');

    const exportAs = async (format) => {
      await page.evaluate(() => { window.__saved = undefined; });
      await page.click('#exportBtn');
      const dialog = page.locator('dialog');
      await dialog.getByLabel(format).check();
      await dialog.getByRole('button', { name: messages.withChildren(3) }).click();
      await page.waitForFunction(() => window.__saved !== undefined);
      return Buffer.from(await page.evaluate(() => window.__saved), 'base64');
    };
    const zip = unzipSync(new Uint8Array(await exportAs(messages.zipFormat)));
    const picture = `images/${built.image}.png`;
    assert.deepEqual(Object.keys(zip).sort(), ['Top/Child B.md', 'Top/Child_ A.md', 'Top/index.md', picture]);
    assert.deepEqual(Buffer.from(zip[picture]), PNG);
    assert.equal(strFromU8(zip['Top/Child_ A.md']), "---\ntitle: 'Child: A'\norder: 1\n---\n\n## Heading\n\n" +
      '| k | v |\n| --- | --- |\n| a | 1 \\| 2 |\n\n- [x] done\n- [ ] open\n\n```\nlet x = 1;\nlet y = "<b>";\n```\n\n' +
      '[to B](<Child B.md>) outside [web](https://example.com/) ~~gone~~\n\n![pic](../images/' + built.image + '.png)\n\n' +
      '1. first\n2. second\n\n> quoted\n');
    assert.equal(strFromU8(zip['Top/index.md']), '---\ntitle: Top\norder: 1\n---\n\n' +
      'Top text with **bold**, *it* and <u>under</u>.\n\n- one\n- two\n');

    const original = await storedBranch(page, 'Top');
    const expected = (await comparable(page, flatten(original)))
      .map((node) => ({ ...node, body: node.body.replace('<a href="#undefined">outside</a>', 'outside') }));
    const folder = writeFolder('Top export', Object.fromEntries(Object.entries(zip)));
    const summary = await importThrough(page, messages.chooseFolder, folder);
    assert.deepEqual(summary, { counts: messages.importCounts(4, 1), skipped: [] });
    const back = await storedBranch(page, messages.importRoot('Top export'));
    assert.deepEqual(shape(back), [messages.importRoot('Top export'), [shape(original)]]);
    assert.deepEqual(await comparable(page, flatten(back.children[0])), expected);

    await row(page, 'Top').first().click();
    await page.waitForFunction(() => document.getElementById('title').value === 'Top');
    const html = await exportAs(messages.htmlFormat);
    const file = path.join(writeFolder('html', { 'Top.html': html }), 'Top.html');
    assert.equal((await importThrough(page, messages.chooseFiles, file)).counts, messages.importCounts(4, 1));
    const fromHtml = await storedBranch(page, messages.importRoot('Top'));
    assert.deepEqual(shape(fromHtml), [messages.importRoot('Top'), [shape(original)]]);
    assert.deepEqual(await comparable(page, flatten(fromHtml.children[0])), expected);
  });

  test('a cancelled import leaves the tree as it was and removes the pages it wrote', async () => {
    const files = {};
    for (let i = 0; i < 40; i++) files[`note ${i}.md`] = `# ${i}\n\ntext ${i} ![](p${i % 3}.png)\n`;
    for (let i = 0; i < 3; i++) files[`p${i}.png`] = Buffer.concat([PNG, Buffer.from([i])]);
    const folder = writeFolder('Many', files);
    const before = await storedTree(page);
    const imagesBefore = await page.evaluate(async () => (await (await import('/assets/js/api.js')).api.listImages()).length);
    const written = [];
    let release;
    const held = new Promise((resolve) => { release = resolve; });
    await page.route(/\/api\/pages\//, async (route) => {
      if (route.request().method() === 'PUT') {
        written.push(new URL(route.request().url()).pathname.slice('/api/pages/'.length));
        await held;
      }
      await route.continue();
    });
    await startImport(page, messages.chooseFolder, folder);
    const progress = page.locator('dialog.import-progress');
    await progress.waitFor();
    await page.waitForFunction((writing) => document.querySelector('.import-progress-text')?.textContent.startsWith(writing), messages.writingProgress);
    // A page is on its way to the server (the first write step, the new branch's top, sends none).
    await until(() => written.length > 0);
    await progress.getByRole('button', { name: messages.cancel }).click();
    release();
    await page.waitForFunction((text) => document.getElementById('toast').textContent === text, messages.importCancelledNothingAdded);
    await page.unroute(/\/api\/pages\//);
    const afterTree = await storedTree(page);
    assert.equal(afterTree.text, before.text);
    assert.ok(written.length > 0);
    const removed = await page.evaluate(async (ids) => {
      const { api, NO_RECORD } = await import('/assets/js/api.js');
      return Promise.all(ids.map(async (id) => (await api.getPage(id)).etag === NO_RECORD));
    }, written);
    assert.deepEqual(removed, written.map(() => true), 'the pages written are gone');
    assert.equal(await page.evaluate(async () => (await (await import('/assets/js/api.js')).api.listImages()).length), imagesBefore);
    assert.equal(await page.locator('dialog').count(), 0);
  });
});
