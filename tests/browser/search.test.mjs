// Finding and linking pages in the window: body matches under the list with the highlight in the
// opened page, links made through the link dialog, the backlinks line, and links in an export.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { messages } from '../../web/assets/js/messages.js';
import { openPageId, row, until, useWindow } from '../support/browser.mjs';

const highlighted = (page) => page.evaluate(() => {
  const highlight = CSS.highlights.get('search-match');
  return highlight ? [...highlight].map((range) => range.toString()) : [];
});

describe('search and page links', () => {
  let page;
  let welcomeId;
  let notesId;
  useWindow(async (opened) => {
    ({ page } = opened);
    const pageInHash = (not) => until(async () => {
      const id = await openPageId(page);
      return id !== not && id;
    });
    welcomeId = await pageInHash('');
    await page.click('#newPageBtn');
    notesId = await pageInHash(welcomeId);
    await page.waitForFunction(() => document.activeElement.id === 'title');
    await page.fill('#title', 'Notes');
    await page.keyboard.press('Enter');
    await row(page, 'Notes').waitFor();
  });

  test('a word of a page\'s text lists the page under the tree; opening it highlights the word', async () => {
    // No title holds the word: the list says so only when no body holds it either.
    await page.fill('#filter', 'どこにもない言葉');
    await page.locator('#tree .tree-empty', { hasText: messages.noMatch }).waitFor();
    await page.fill('#filter', 'ようこそ');
    const hit = page.locator('#searchResults .search-hit');
    await hit.waitFor();
    assert.equal(await page.locator('#tree .tree-empty').isVisible(), false);
    assert.equal(await page.locator('#searchResults .search-heading').textContent(), messages.bodyMatches);
    assert.deepEqual(await hit.locator('.search-hit-title, mark').allTextContents(), [messages.welcomeTitle, 'ようこそ']);
    // The snippet starts at the page's beginning, its heading and its first paragraph one line.
    const snippet = await hit.locator('.search-hit-snippet').textContent();
    assert.ok(snippet.startsWith(messages.welcomeHeading + ' ') && snippet.endsWith('…'), snippet);
    await page.locator('#filter').press('ArrowDown');
    assert.equal(await page.evaluate(() => document.activeElement.dataset.id), welcomeId);
    await page.keyboard.press('Enter');
    await page.waitForFunction((title) => document.getElementById('title').value === title, messages.welcomeTitle);
    assert.deepEqual(await highlighted(page), ['ようこそ']);
    assert.equal(await page.locator('#editor h2').innerHTML(), messages.welcomeHeading);  // the body is untouched

    await page.locator('#filter').press('Escape');
    assert.equal(await page.inputValue('#filter'), '');
    await page.locator('#searchResults').waitFor({ state: 'hidden' });
    assert.deepEqual(await highlighted(page), []);
    assert.equal(await page.locator('#tree .tree-row').count(), 2);
  });

  test('a link to another page made in the dialog survives a reload, opens it and shows as a backlink', async () => {
    await row(page, 'Notes').click();
    await page.waitForFunction(() => document.getElementById('title').value === 'Notes');
    await page.click('#editor');
    await page.keyboard.type('see ');
    await page.click(`#toolbar [title="${messages.link}"]`);
    await page.locator('dialog .picker-input').fill('ＨＡＪＩ');  // nothing: no title holds it
    await page.locator('dialog .picker-none').waitFor();
    await page.locator('dialog .picker-input').fill('じめ');
    await page.locator('dialog .picker-option').waitFor();
    await page.locator('dialog .picker-input').press('Enter');
    const link = `<a href="#${welcomeId}">${messages.welcomeTitle}</a>`;
    await page.waitForFunction(async ([id, expected]) => {
      const { api } = await import('/assets/js/api.js');
      return (await api.getPage(id)).html.includes(expected);
    }, [notesId, link]);

    await page.reload();
    await page.locator(`#editor a[href="#${welcomeId}"]`).click();
    await page.waitForFunction((title) => document.getElementById('title').value === title, messages.welcomeTitle);
    assert.equal(await openPageId(page), welcomeId);
    const backlinks = page.locator('#backlinks');
    await backlinks.locator('.backlink').waitFor();
    assert.equal(await backlinks.textContent(), messages.backlinks + 'Notes');
    await backlinks.locator('.backlink').click();
    await page.waitForFunction(() => document.getElementById('title').value === 'Notes');
    await backlinks.waitFor({ state: 'hidden' });
  });

  test('a link to a page that is gone says so and stays put', async () => {
    const gone = '0f8fad5b-d9cb-469f-a165-70867728950e';
    await page.evaluate((id) => {
      document.getElementById('editor').insertAdjacentHTML('beforeend', `<p><a href="#${id}">gone</a></p>`);
    }, gone);
    await page.locator(`#editor a[href="#${gone}"]`).click();
    await page.locator('#toast', { hasText: messages.linkTargetDeleted }).waitFor();
    assert.equal(await page.inputValue('#title'), 'Notes');
  });

  test('an export links to the exported page\'s article and turns other page links into text', async () => {
    const exported = await page.evaluate(async ([notes, welcome, welcomeTitle]) => {
      const { createExport } = await import('/assets/js/export.js');
      const both = await createExport('t', [{ id: notes, title: 'Notes', depth: 0 }, { id: welcome, title: welcomeTitle, depth: 0 }]);
      const one = await createExport('t', [{ id: notes, title: 'Notes', depth: 0 }]);
      const bodyOf = (text) => new DOMParser().parseFromString(text, 'text/html').querySelector('.page-body').innerHTML;
      return [bodyOf(both.text), bodyOf(one.text)];
    }, [notesId, welcomeId, messages.welcomeTitle]);
    assert.deepEqual(exported, [`<p>see&nbsp;<a href="#p-${welcomeId}">${messages.welcomeTitle}</a></p>`, `<p>see&nbsp;${messages.welcomeTitle}</p>`]);
  });
});
