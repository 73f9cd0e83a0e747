// The quick switcher's order: which titles match the typed letters and which come first.
import assert from 'node:assert/strict';
import test from 'node:test';
import { matchTitle, prepare, rankPages } from '../../web/assets/js/switcher-rank.js';

// Titles in the tree's order; each page's id is its title.
const rank = (titles, query, recent = [], limit) =>
  rankPages(prepare(titles.map((title) => ({ id: title, title }))), query, recent, limit).map((row) => row.entry.title);

const cases = [
  // [what it shows, titles in tree order, query, recently opened, expected order]
  ['empty box: recently opened first, newest first, then the tree order',
    ['a', 'b', 'c', 'd'], '', ['c', 'gone', 'a'], ['c', 'a', 'b', 'd']],
  ['exact title, then title start, then word start, then inside a word, then scattered',
    ['xmemo', 'm-e-m-o', 'old memo', 'memo', 'memo pad'], 'memo', [], ['memo', 'memo pad', 'old memo', 'xmemo', 'm-e-m-o']],
  ['letters out of order do not match', ['abc', 'cba', 'bca'], 'abc', [], ['abc']],
  ['a tighter scatter before a looser one, tightened from the right',
    ['a_____b_c', 'a-a-bc', 'ab___c'], 'abc', [], ['a-a-bc', 'ab___c', 'a_____b_c']],
  ['ASCII and full-width letters fold; spaces in the query are ignored',
    ['ＭＥＭＯ帳', 'Memo', 'メモ'], 'me mo', [], ['Memo', 'ＭＥＭＯ帳']],
  ['a space typed holds the letters around it together before a scattered match',
    ['ページ12x', 'ページ 12', 'ページ 1'], 'ページ 1', [], ['ページ 1', 'ページ 12', 'ページ12x']],
  ['Japanese titles match letter by letter', ['会議の議事録', '議事録', '買い物'], '議録', [], ['議事録', '会議の議事録']],
  ['equal matches: recently opened, then shorter, then tree order',
    ['todo list', 'todo', 'todo 2', 'todo 1'], 'to', ['todo 1'], ['todo 1', 'todo', 'todo 2', 'todo list']],
  ['nothing matches', ['a', 'b'], 'z', [], []],
];

for (const [name, titles, query, recent, expected] of cases) {
  test(name, () => {
    assert.deepEqual(rank(titles, query, recent), expected);
  });
}

test('at most the given number of rows, with and without a query', () => {
  const titles = Array.from({ length: 120 }, (_, i) => 'page ' + i);
  assert.equal(rank(titles, '', [], 50).length, 50);
  assert.equal(rank(titles, 'pg', [], 50).length, 50);
});

test('the matched positions are those of the title, for marking', () => {
  assert.deepEqual(matchTitle('old memo', 'memo').positions, [4, 5, 6, 7]);
  assert.deepEqual(matchTitle('a-a-bc', 'abc').positions, [2, 4, 5]);
  assert.deepEqual(matchTitle('😀a😀b', 'ab').positions, [2, 5]);
});
