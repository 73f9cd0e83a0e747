// Content search of a running program: what counts as a page's text, folding, ranking, snippets
// and the refusals of the search endpoint.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { request } from '../support/http.mjs';
import { startProgram } from '../support/session.mjs';

const id = (n) => `00000000-0000-4000-8000-${String(n).padStart(12, '0')}`;
const [A, B, C, D, E, F, NEW] = [1, 2, 3, 4, 5, 6, 7].map(id);
const entry = (pageId, title, deletedAt = null) =>
  ({ id: pageId, parentId: null, order: 0, title, createdAt: 1, updatedAt: 1, deletedAt });
const bodies = {
  [A]: `<p>Hello <b>World</b> &amp; friends</p><p>hello <a href="#${B}">again</a></p>`,
  [B]: '<p><a href="https://example.test/secret" title="hidden">ｗｏｒｌｄ</a> 全角 ＡＢＣ１２３</p>',
  [C]: '<p class="world">nothing &lt;p&gt; here</p><!-- world --><p style="color: red">&#x41;&#66;c</p>',
  [D]: '<p>world</p>',
  [E]: '<p>abc123 abcabc</p>',
  [F]: '<p>no greeting</p>',
};
const tree = [entry(A, 'Ferncard メモ'), entry(B, '日記'), entry(C, 'Tags'), entry(D, 'World trash', 5),
  entry(E, 'numbers'), entry(F, 'Hello page'), entry(NEW, 'never written hello')];

describe('content search', () => {
  let program;
  const put = async (target, body) => {
    const answer = await program.api('PUT', target, { 'If-Match': '"0"' }, body);
    assert.equal(answer.status, 200, target);
  };
  const search = async (query) => {
    const answer = await program.api('GET', `/api/search?${query}`);
    assert.equal(answer.status, 200, query);
    return JSON.parse(answer.text);
  };
  before(async () => {
    program = await startProgram();
    await put('/api/tree', JSON.stringify({ schemaVersion: 1, pages: tree }));
    for (const [pageId, body] of Object.entries(bodies)) await put(`/api/pages/${pageId}`, body);
    // A body that the tree does not name is not a page.
    await put(`/api/pages/${id(99)}`, '<p>world hello abc</p>');
  });
  after(() => program?.stop());

  test('finds text, not markup; folds case and width; ranks title matches, counts, then trash', async () => {
    const cases = [
      ['world', [A, B, D]],                  // not the class or the comment of C; trashed D last
      ['ＷＯＲＬＤ', [A, B, D]],
      ['hello', [F, NEW, A]],                // titles first (F before NEW by title), then A's two
      ['abc', [E, C, B]],                    // E has three; C (from references) and B one, by title
      ['１２３', [E, B]],                     // one each, by title
      ['<p>', [C]],
      ['& friends', [A]],
      ['world & friends', [A]],              // an inline tag does not split text
      ['world &amp; friends', []],
      ['secret', []],
      ['hidden', []],
      ['red', []],
      ['hello again', [A]],                  // the link's text is text
      ['friends hello', [A]],                // a paragraph break reads as a space
    ];
    for (const [query, expected] of cases) {
      const answer = await search(`q=${encodeURIComponent(query)}`);
      assert.deepEqual(answer.results.map((hit) => hit.id), expected, query);
      assert.equal(answer.total, expected.length, query);
    }
  });

  test('each hit carries its title, trash mark, count and the text around its first match', async () => {
    const answer = await search('q=WORLD');
    assert.deepEqual(answer.results, [
      { id: A, title: 'Ferncard メモ', trashed: false, inTitle: false, matches: 1,
        snippet: { before: 'Hello ', match: 'World', after: ' & friends hello again' } },
      { id: B, title: '日記', trashed: false, inTitle: false, matches: 1,
        snippet: { before: '', match: 'ｗｏｒｌｄ', after: ' 全角 ＡＢＣ１２３' } },
      { id: D, title: 'World trash', trashed: true, inTitle: true, matches: 2,
        snippet: { before: '', match: 'world', after: '' } },
    ]);
    const titleOnly = (await search('q=greeting+page')).results;
    assert.deepEqual(titleOnly, []);
    const [page] = (await search('q=Hello%20page')).results;
    assert.deepEqual(page.snippet, { before: '', match: '', after: 'no greeting' });
  });

  test('links=ID finds the pages whose bodies link to the page, as they read now', async () => {
    assert.deepEqual((await search(`links=${B}`)).results.map((hit) => hit.id), [A]);
    assert.deepEqual((await search(`links=${A}`)).results, []);
    // A page written since the last search is searched as written.
    const current = await program.api('GET', `/api/pages/${A}`);
    const answer = await program.api('PUT', `/api/pages/${A}`, { 'If-Match': current.header('ETag') },
      `<p>Hello World &amp; friends, <a href="#${C}">see C</a></p>`);
    assert.equal(answer.status, 200);
    assert.deepEqual((await search(`links=${B}`)).results, []);
    assert.deepEqual((await search(`links=${C}`)).results.map((hit) => hit.id), [A]);
    assert.deepEqual((await search('q=see+c')).results.map((hit) => hit.id), [A]);
    assert.deepEqual((await search('q=again')).results, []);
  });

  test('long texts are cut around the match; at most 100 hits, all counted', async () => {
    const many = Array.from({ length: 120 }, (_, n) => id(1000 + n));
    const current = await program.api('GET', '/api/tree');
    const pages = [...tree, ...many.map((pageId) => entry(pageId, 'many'))];
    const answer = await program.api('PUT', '/api/tree', { 'If-Match': current.header('ETag') },
      JSON.stringify({ schemaVersion: 1, pages }));
    assert.equal(answer.status, 200);
    const long = `${'あ'.repeat(50)}needle${'い'.repeat(100)}`;
    for (const pageId of many) await put(`/api/pages/${pageId}`, `<p>${long}</p>`);
    const found = await search('q=needle');
    assert.equal(found.results.length, 100);
    assert.equal(found.total, 120);
    assert.deepEqual(found.results[0].snippet,
      { before: `…${'あ'.repeat(30)}`, match: 'needle', after: `${'い'.repeat(60)}…` });
  });

  test('a missing, empty, broken or over-long query is refused; the gate comes first', async () => {
    const refused = ['', 'q=', 'q=%20+%20', 'q=%ZZ', 'q=%FF', 'q=%', `q=${'x'.repeat(201)}`, 'links=nope',
      'links=0F8FAD5B-D9CB-469F-A165-70867728950E'];
    for (const query of refused) {
      const answer = await program.api('GET', `/api/search?${query}`);
      assert.equal(answer.status, 400, query);
      assert.equal(answer.text, '{"error":"bad_request","message":""}', query);
    }
    assert.equal((await program.api('GET', `/api/search?q=${'あ'.repeat(200)}`)).status, 200);
    assert.equal((await program.api('POST', '/api/search?q=a')).status, 405);
    const noCookie = await request(program.port, 'GET', '/api/search?q=world', [['Host', program.host]]);
    assert.equal(noCookie.status, 401);
    const foreign = await program.api('GET', '/api/search?q=world', { 'Sec-Fetch-Site': 'cross-site' });
    assert.equal(foreign.status, 403);
    assert.equal(foreign.text, '{"error":"origin_not_allowed","message":""}');
  });
});
