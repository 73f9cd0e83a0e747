// The JSON API of a running program: status, recent, tree and pages with version tags, images.
import assert from 'node:assert/strict';
import { chmodSync, mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { programPath, skipUnderWine } from '../support/ferncard.mjs';
import { envelope, startProgram, tagOf, waitFor } from '../support/session.mjs';

const conflictMessage = '別のウィンドウで先に更新されました。';
const emptyTree = '{"schemaVersion":1,"pages":[]}';
const pageId = '0f8fad5b-d9cb-469f-a165-70867728950e';
const png = Buffer.concat([Buffer.from('89504e470d0a1a0a', 'hex'), Buffer.from('rest of a png')]);


describe('API of one running program', () => {
  let program;
  let openerLog;
  const bin = path.join(process.env.TMPDIR ?? '/tmp', `ferncard-bin-${process.pid}`);
  before(async () => {
    // A stand-in for xdg-open that only writes down the folder it was asked to open.
    mkdirSync(bin, { recursive: true });
    openerLog = path.join(bin, 'opened');
    writeFileSync(path.join(bin, 'xdg-open'), `#!/bin/sh\nprintf '%s' "$1" > '${openerLog}'\n`);
    chmodSync(path.join(bin, 'xdg-open'), 0o755);
    program = await startProgram({ env: { PATH: `${bin}:${process.env.PATH}` } });
  });
  after(async () => {
    await program?.stop();
    rmSync(bin, { recursive: true, force: true });
  });

  test('status names the document, its port, that it is the default one and not read-only', async () => {
    const expected = `{"product":"Ferncard","version":"1.0.0","file":${JSON.stringify(programPath(program.document))},`
      + `"fileName":"Ferncard.fcard","isDefault":true,"readOnly":false,"port":${program.port}}`;
    for (const target of ['/api/status', '/api/status?x=1']) {
      const answer = await program.api('GET', target);
      assert.equal(answer.status, 200);
      assert.equal(answer.header('Content-Type'), 'application/json; charset=utf-8');
      assert.equal(answer.text, expected);
    }
    assert.equal((await program.api('POST', '/api/status')).text, envelope('not_found'));
  });

  test('recent lists the open document', async () => {
    const answer = await program.api('GET', '/api/recent');
    assert.equal(answer.status, 200);
    assert.equal(answer.text,
      `{"recent":[{"path":${JSON.stringify(programPath(program.document))},"name":"Ferncard.fcard","exists":true}]}`);
  });

  test('methods and paths the router does not know', async () => {
    // An unknown method anywhere, or a known one on a path that takes others, is 405.
    for (const [method, target] of [['PATCH', '/api/nothing-here'], ['get', '/api/tree'], ['POST', '/api/tree'],
      ['PUT', '/api/images'], ['GET', '/api/open-data-folder'], ['GET', '/api/file/whatever'], ['GET', '/api/file/open'],
      ['GET', '/api/file/recent/x'], ['PUT', `/api/pages/${pageId}/revisions`], ['PUT', '/api/pages'],
      ['DELETE', `/api/pages/${pageId}/revisions/x`], ['POST', '/api/history/images']]) {
      const answer = await program.api(method, target);
      assert.equal(answer.status, 405, `${method} ${target}`);
      assert.equal(answer.text, envelope('method_not_allowed'), `${method} ${target}`);
    }
    for (const [method, target] of [['GET', '/api/status/'], ['GET', `/api/pages/${pageId.toUpperCase()}`],
      ['DELETE', `/api/images/${'a'.repeat(31)}`], ['GET', '/api/nothing-here'], ['POST', '/api/file/whatever'],
      ['PUT', `/api/pages/${pageId}x`], ['GET', `/api/pages/${pageId}/revisions/`], ['GET', `/api/pages/${pageId}/revisionsx`],
      ['GET', `/api/pages/${pageId}/revision`], ['GET', `/api/pages/${pageId}/revisions/${'a'.repeat(32)}/x`],
      ['GET', `/api/pages/${pageId.toUpperCase()}/revisions`]]) {
      const answer = await program.api(method, target);
      assert.equal(answer.status, 404, `${method} ${target}`);
      assert.equal(answer.text, envelope('not_found'), `${method} ${target}`);
    }
  });

  test('open-data-folder opens the folder of the document and answers 204',
    { skip: skipUnderWine('the folder opens in the Windows shell, not in the xdg-open stand-in') }, async () => {
    const answer = await program.api('POST', '/api/open-data-folder', {}, 'ignored');
    assert.equal(answer.status, 204);
    assert.equal(answer.header('Content-Type'), undefined);
    assert.equal(answer.body.length, 0);
    // The stand-in's shell creates the file before it writes to it.
    const opened = await waitFor(() => readFileSync(openerLog, 'utf8'), (text) => Boolean(text), 3000);
    assert.equal(opened, program.data);
  });

  test('tree: empty at first, compare-and-write with If-Match, refusals in order', async () => {
    const first = await program.api('GET', '/api/tree');
    assert.equal(first.status, 200);
    assert.equal(first.text, emptyTree);
    assert.equal(first.header('ETag'), '"0"');

    const noTag = await program.api('PUT', '/api/tree', {}, 'not a tree');
    assert.equal(noTag.status, 428);
    assert.equal(noTag.text, envelope('if_match_required'));
    assert.equal((await program.api('PUT', '/api/tree', { 'If-Match': '""' }, '{}')).status, 428);
    for (const body of ['[1]', ' {}', '']) {
      const bad = await program.api('PUT', '/api/tree', { 'If-Match': '"0"' }, body);
      assert.equal(bad.status, 400, JSON.stringify(body));
      assert.equal(bad.text, envelope('bad_tree'));
    }

    const tree = '{"schemaVersion":1,"pages":[{"id":"x"}]}';
    const written = await program.api('PUT', '/api/tree', { 'If-Match': '"0"' }, tree);
    assert.equal(written.status, 200);
    assert.equal(written.text, '{}');
    assert.equal(written.header('ETag'), tagOf(tree));

    const again = await program.api('PUT', '/api/tree', { 'If-Match': '"0"' }, tree);
    assert.equal(again.status, 412);
    assert.equal(again.text, envelope('conflict', conflictMessage));

    const read = await program.api('GET', '/api/tree');
    assert.equal(read.text, tree);
    assert.equal(read.header('ETag'), tagOf(tree));

    // A tag without quotes is the tag itself; one with a single quote is taken with it.
    const unquoted = await program.api('PUT', '/api/tree', { 'If-Match': tagOf(tree).slice(1, -1) }, '{"b":1}');
    assert.equal(unquoted.status, 200);
    const halfQuoted = await program.api('PUT', '/api/tree', { 'If-Match': tagOf('{"b":1}').slice(0, -1) }, '{}');
    assert.equal(halfQuoted.status, 412);
  });

  test('two writes based on one tag: exactly one wins', async () => {
    const current = (await program.api('GET', '/api/tree')).header('ETag');
    const answers = await Promise.all(['{"w":1}', '{"w":2}'].map(
      (body) => program.api('PUT', '/api/tree', { 'If-Match': current }, body)));
    assert.deepEqual(answers.map((a) => a.status).sort(), [200, 412]);
    const winner = answers.find((a) => a.status === 200);
    assert.equal((await program.api('GET', '/api/tree')).header('ETag'), winner.header('ETag'));
  });

  test('pages: read as empty, written byte for byte, deleted', async () => {
    const target = `/api/pages/${pageId}`;
    const empty = await program.api('GET', target);
    assert.equal(empty.status, 200);
    assert.equal(empty.header('Content-Type'), 'text/plain; charset=utf-8');
    assert.equal(empty.body.length, 0);
    assert.equal(empty.header('ETag'), '"0"');

    const bytes = Buffer.from([0x3c, 0x70, 0x3e, 0xff, 0xfe, 0xc3, 0x28, 0x00, 0xe3, 0x81, 0x82, 0x0d, 0x0a]);
    const written = await program.api('PUT', target, { 'If-Match': '"0"' }, bytes);
    assert.equal(written.status, 200);
    assert.equal(written.header('ETag'), tagOf(bytes));
    const read = await program.api('GET', target);
    assert.deepEqual(read.body, bytes);
    assert.equal(read.header('ETag'), tagOf(bytes));

    for (let i = 0; i < 2; i += 1) {
      const deleted = await program.api('DELETE', target);
      assert.equal(deleted.status, 204);
      assert.equal(deleted.header('Content-Type'), undefined);
      assert.equal(deleted.body.length, 0);
    }
    const gone = await program.api('GET', target);
    assert.equal(gone.body.length, 0);
    assert.equal(gone.header('ETag'), '"0"');
  });

  test('pages read together: in the order asked, as many as one answer holds, a body not UTF-8 read alone', async () => {
    const [text, other, broken, big, bigger] = ['1', '2', '3', '4', '5'].map((n) => pageId.replace(/^0/, n));
    const bodies = { [text]: '<p>"q" \\ \n\t\u0001 日本</p>', [other]: 'x', [broken]: Buffer.from([0x3c, 0xff, 0x3e]),
      [big]: 'a'.repeat(3 << 20), [bigger]: 'b'.repeat(3 << 20) };
    for (const [id, body] of Object.entries(bodies)) {
      assert.equal((await program.api('PUT', `/api/pages/${id}`, { 'If-Match': '"0"' }, body)).status, 200);
    }
    const none = pageId.replace(/^0/, '6');
    const answer = (ids) => JSON.stringify({ pages: ids.map((id) => ({ id, body: id === none ? '' : bodies[id] })) });
    for (const [ids, expected] of [
      [[text, none, text, other], [text, none, text, other]],
      [[other, broken, text], [other]],
      [[broken, text], []],
      [[big, bigger, text], [big]],
      [[bigger], [bigger]],
      [Array(100).fill(other), Array(100).fill(other)],
    ]) {
      const read = await program.api('GET', `/api/pages?ids=${ids.join(',')}`);
      assert.equal(read.status, 200);
      assert.equal(read.header('Content-Type'), 'application/json; charset=utf-8');
      assert.equal(read.text, answer(expected));
    }
    for (const query of ['', '?ids=', `?ids=${text},`, `?ids=${text.toUpperCase()}`, `?ids=${text}%2C${other}`,
      `?ids=${Array(101).fill(other).join(',')}`, `?id=${text}`]) {
      const refused = await program.api('GET', `/api/pages${query}`);
      assert.equal(refused.status, 400, query);
      assert.equal(refused.text, envelope('bad_request'), query);
    }
  });

  test('images: upload, fetch with long caching, list, delete', async () => {
    const uploaded = await program.api('POST', '/api/images', { 'Content-Type': 'text/plain' }, png);
    assert.equal(uploaded.status, 201);
    const { id } = uploaded.json();
    assert.match(id, /^[0-9a-f]{32}$/);
    assert.equal(uploaded.text, `{"id":"${id}"}`);

    for (let i = 0; i < 2; i += 1) {
      const fetched = await program.api('GET', `/api/images/${id}`);
      assert.equal(fetched.status, 200);
      assert.equal(fetched.header('Content-Type'), 'image/png');
      assert.deepEqual(fetched.body, png);
      assert.deepEqual(fetched.all('Cache-Control'), ['private, max-age=31536000, immutable']);
      assert.equal(fetched.header('ETag'), undefined);
    }

    const listed = await program.api('GET', '/api/images');
    assert.match(listed.text, new RegExp(`^\\{"images":\\[.*\\{"id":"${id}","size":${png.length},"modified":\\d+\\}`));

    for (let i = 0; i < 2; i += 1) assert.equal((await program.api('DELETE', `/api/images/${id}`)).status, 204);
    const missing = await program.api('GET', `/api/images/${id}`);
    assert.equal(missing.status, 404);
    assert.equal(missing.text, envelope('not_found'));
  });

  test('images: bytes of no known image type are refused', async () => {
    // Which first bytes make an image is the sniffer's native test; here the answer to a refusal.
    const answer = await program.api('POST', '/api/images', {}, Buffer.from('GIF88a......'));
    assert.equal(answer.status, 415);
    assert.equal(answer.text, envelope('unsupported_image', 'PNG / JPEG / GIF / WebP の画像を指定してください。'));
  });

  test('images: 20 MiB is the limit, tested before the type', async () => {
    const limit = 20971520;
    const tooLarge = await program.api('POST', '/api/images', {}, Buffer.alloc(limit + 1, 0x41));
    assert.equal(tooLarge.status, 413);
    assert.equal(tooLarge.text, envelope('too_large', '画像は 1 枚 20MB までです。'));
    const exact = Buffer.alloc(limit, 0);
    png.copy(exact);
    const stored = await program.api('POST', '/api/images', {}, exact);
    assert.equal(stored.status, 201);
    const { id } = stored.json();
    assert.equal((await program.api('GET', `/api/images/${id}`)).body.length, limit);
  });
});
