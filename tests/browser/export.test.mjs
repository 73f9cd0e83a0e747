import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { describe, test } from 'node:test';
import { messages } from '../../web/assets/js/messages.js';
import { PNG_BASE64, addPages, row, savePicker, useWindow } from '../support/browser.mjs';

const CSP = "default-src 'none'; img-src data:; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'";

// A top page with a title that needs escaping and two children (one of them trashed), and a
// second top page; one image is used on three pages, one page refers to an image that does not
// exist, and one body holds hostile markup stored without the client's sanitizer.
const IMG = '<img src="{image}" alt="" class="img-center" width="40">';
const PAGES = {
  top: { title: 'A <&> B', order: 5000, body: `<p>top text</p>${IMG}<script>window.__hit=1</script><a href="javascript:1">js</a>` +
    '<img src="https://x.test/a.png"><iframe src="https://x.test/"></iframe>' },
  child: { title: '', parent: 'top', order: 1000, body: `<p>child</p>${IMG}<img src="/api/images/${'f'.repeat(32)}">` },
  trashed: { title: 'ごみ', parent: 'top', order: 2000, trashed: true, body: '<p>trashed text</p>' },
  second: { title: 'Second', order: 6000, body: `<p style="color: red; position: fixed">second</p>${IMG}` },
};

describe('HTML export', () => {
  let browser;
  let page;
  let built;
  const imageReads = [];
  useWindow(async (opened) => {
    ({ browser, page } = opened);
    built = await addPages(page, PAGES);
    browser.allow(/status of 404/); // the image that does not exist
    await page.reload();
    await row(page, 'A <&> B').click();
    await page.waitForFunction(() => document.getElementById('title').value === 'A <&> B');
    page.on('request', (request) => {
      if (/\/api\/images\/[0-9a-f]{32}$/.test(new URL(request.url()).pathname)) imageReads.push(request.url());
    });
  }, { initScript: savePicker });

  async function exportWith(label) {
    await page.evaluate(() => { window.__exported = undefined; });
    await page.click('#exportBtn');
    const dialog = page.locator('dialog');
    await dialog.waitFor();
    await dialog.getByRole('button', { name: label }).click();
    await page.waitForFunction(() => window.__exported !== undefined);
    // The toast that follows 「出力しています…」 says how it went.
    await page.waitForFunction((exporting) => document.getElementById('toast').textContent !== exporting, messages.exporting);
    return { text: await page.evaluate(() => window.__exported), toast: await page.textContent('#toast') };
  }

  test('suggested file names are ones Windows accepts', async () => {
    const names = await page.evaluate(async () => {
      const { sanitizeFileName } = await import('/assets/js/export.js');
      return ['CON', 'lpt1', 'com10', ' . . ', null, 'a'.repeat(100), 'x'.repeat(79) + ' .y', 'a:b*c?"<>|\\/\t', ' .name. '].map(sanitizeFileName);
    });
    assert.deepEqual(names, ['_CON', '_lpt1', 'com10', 'Ferncard', 'Ferncard', 'a'.repeat(80), 'x'.repeat(79), 'a_b_c________', 'name']);
  });

  test('the dialog names the selected page and counts live pages only', async () => {
    await page.click('#exportBtn');
    const dialog = page.locator('dialog');
    await dialog.waitFor();
    assert.equal(await dialog.locator('h2').textContent(), messages.htmlHeading);
    assert.deepEqual(await dialog.locator('p').allTextContents(), [
      messages.selectedPage('A <&> B'),
      messages.htmlNote,
    ]);
    assert.deepEqual(await dialog.locator('button').allTextContents(),
      [messages.thisPage, messages.withChildren(2), messages.allPages(4), messages.cancel]);
    await dialog.getByRole('button', { name: messages.cancel }).click();
    await dialog.waitFor({ state: 'detached' });
  });

  test('a page with its children: one file with the policy, contents, escaped titles and each image embedded once', async () => {
    imageReads.length = 0;
    const { text, toast } = await exportWith(messages.withChildren(2));
    assert.equal(toast, messages.exported(2, 'chosen.html', 1));
    assert.deepEqual(await page.evaluate(() => window.__pickerOptions), {
      suggestedName: 'A _&_ B.html',
      types: [{ description: messages.htmlFile, accept: { 'text/html': ['.html'] } }],
    });
    const { ids, image } = built;
    const lines = text.split('\n');
    assert.deepEqual(lines.slice(0, 7), [
      '<!doctype html>', '<html lang="ja">', '<head>', '<meta charset="utf-8">',
      `<meta http-equiv="Content-Security-Policy" content="${CSP}">`,
      '<meta name="viewport" content="width=device-width, initial-scale=1">',
      '<title>A &lt;&amp;&gt; B</title>',
    ]);
    assert.ok(text.endsWith('</main>\n</body>\n</html>\n'));
    assert.ok(!text.includes('\r') && text.charCodeAt(0) !== 0xfeff);
    // The pages look as they do in the editor: its content rules are embedded whole.
    assert.ok(text.includes(fs.readFileSync(new URL('../../web/assets/css/content.css', import.meta.url), 'utf8')));
    assert.ok(text.includes(`<nav class="toc"><h2>${messages.contents}</h2><ul>` +
      `<li style="padding-left:0px"><a href="#p-${ids.top}">A &lt;&amp;&gt; B</a></li>` +
      `<li style="padding-left:16px"><a href="#p-${ids.child}">${messages.untitled}</a></li></ul></nav>\n<main>\n`));
    // One rule holds the image; both pages that show it name it.
    assert.ok(text.includes('</style>\n<style>\n' +
      `.page-body img.picture-1 { content: url("data:image/png;base64,${PNG_BASE64}"); }\n</style>\n</head>\n`));
    assert.equal(text.split(PNG_BASE64).length, 2, 'the image bytes once');
    const dataImage = '<img alt="" width="40" class="img-center picture-1">';
    assert.ok(text.includes(`<article class="page" id="p-${ids.top}" data-depth="0"><h1 class="page-title">A &lt;&amp;&gt; B</h1>` +
      `<div class="page-body"><p>top text</p>${dataImage}js<a href="https://x.test/a.png">${messages.outsideImage}https://x.test/a.png</a></div></article>\n`));
    assert.ok(text.includes(`<article class="page" id="p-${ids.child}" data-depth="1"><h1 class="page-title">${messages.untitled}</h1>` +
      `<div class="page-body"><p>child</p>${dataImage}<span class="missing-image">${messages.missingImage}</span></div></article>\n`));
    assert.doesNotMatch(text, /<script|<iframe|javascript:|\/api\/|trashed text|Second/);
    assert.equal(imageReads.filter((url) => url.endsWith(image)).length, 1, 'one image used twice is read once');
  });

  test('one page alone has no contents; all pages go under the file name', async () => {
    const single = await exportWith(messages.thisPage);
    const lines = single.text.split('\n');
    const body = lines.indexOf('<body>');
    assert.deepEqual(lines.slice(body, body + 3), ['<body>', '', '<main>'], 'an empty line where the contents would be');
    assert.ok(!single.text.includes('<nav'));
    assert.equal(single.toast, messages.exported(1, 'chosen.html', 0));

    const all = await exportWith(messages.allPages(4));
    assert.equal(all.toast, messages.exported(4, 'chosen.html', 1));
    assert.equal((await page.evaluate(() => window.__pickerOptions)).suggestedName, 'Ferncard.html');
    assert.match(all.text, /<title>Ferncard<\/title>/);
    assert.equal(all.text.match(/<article /g).length, 4);
    assert.match(all.text, /<p style="color: red;">second<\/p>/);
    assert.equal(all.text.match(/data:image\/png;base64,/g).length, 1);
    assert.equal(all.text.match(/<img alt="" width="40" class="img-center picture-1">/g).length, 3);
  });

  test('the file reads back as the page: a code block keeps the blank lines it starts with', async () => {
    const texts = await page.evaluate(async () => {
      const { api, NO_RECORD } = await import('/assets/js/api.js');
      const { createExport } = await import('/assets/js/export.js');
      const id = crypto.randomUUID();
      await api.putPage(id, '<pre>\n\nafter one blank line</pre><pre>\n\n\nafter two</pre>', NO_RECORD);
      const { text } = await createExport('t', [{ id, title: 'code', depth: 0 }]);
      const file = new DOMParser().parseFromString(text, 'text/html');
      return [...file.querySelectorAll('.page-body pre')].map((pre) => pre.textContent);
    });
    assert.deepEqual(texts, ['\nafter one blank line', '\n\nafter two']);
  });

  test('a cancelled picker exports nothing and says nothing', async () => {
    await page.evaluate(() => {
      window.__cancelPicker = true;
      window.__exported = undefined;
      window.__pickerOptions = undefined;
      document.getElementById('toast').hidden = true;
    });
    await page.click('#exportBtn');
    await page.locator('dialog').getByRole('button', { name: messages.thisPage }).click();
    await page.locator('dialog').waitFor({ state: 'detached' });
    await page.waitForFunction(() => window.__pickerOptions !== undefined);
    assert.equal(await page.evaluate(() => window.__exported), undefined);
    assert.equal(await page.locator('#toast').isHidden(), true);
    await page.evaluate(() => { window.__cancelPicker = false; });
  });

  test('without a save picker the file is downloaded; opened, it runs nothing and loads nothing', async () => {
    await page.evaluate(() => { window.showSaveFilePicker = undefined; });
    await page.click('#exportBtn');
    const download = page.waitForEvent('download');
    await page.locator('dialog').getByRole('button', { name: messages.allPages(4) }).click();
    const file = await download;
    assert.equal(file.suggestedFilename(), 'Ferncard.html');
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'ferncard-export-'));
    const saved = path.join(dir, 'Ferncard.html');
    await file.saveAs(saved);
    const text = fs.readFileSync(saved, 'utf8');
    assert.match(text, /^<!doctype html>\n/);
    assert.equal(text.match(/<article /g).length, 4);

    // Opened on its own, the file shows the one image on all three pages and asks the network for nothing.
    const viewer = await browser.context.newPage();
    const requests = [];
    viewer.on('request', (request) => requests.push(request.url()));
    await viewer.goto('file://' + saved);
    const shown = await viewer.evaluate(() => ({
      images: [...document.images].map((img) => {
        const box = img.getBoundingClientRect();
        return [box.width, box.height, getComputedStyle(img).content.startsWith('url("data:image/png;base64,')];
      }),
      articles: document.querySelectorAll('article').length,
      hit: window.__hit,
    }));
    assert.deepEqual(shown, { images: [[40, 40, true], [40, 40, true], [40, 40, true]], articles: 4, hit: undefined });
    assert.deepEqual(requests.filter((url) => !url.startsWith('file:') && !url.startsWith('data:')), []);
    await viewer.close();
    fs.rmSync(dir, { recursive: true, force: true });
  });
});
