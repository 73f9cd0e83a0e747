// The request gate of a running program: ticket exchange, cookie, refusals of other sites,
// security headers on every answer.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { after, before, describe, test } from 'node:test';

import { request } from '../support/http.mjs';
import { envelope, startProgram } from '../support/session.mjs';

const reopenPage = '<!doctype html><html lang="ja"><meta charset="utf-8"><title>Ferncard</title>'
  + '<body style="font-family:\'Yu Gothic UI\',Meiryo,sans-serif;padding:40px">'
  + '<h1 style="font-size:20px">この画面は開けません</h1>'
  + '<p>スタートメニューの Ferncard、または通知領域のアイコンから開き直してください。</p></body></html>';
const reopenMessage = '接続が切れました。スタートメニューまたは通知領域のアイコンから開き直してください。';
const securityHeaders = [
  ['Content-Security-Policy', "default-src 'none'; script-src 'self'; style-src 'self' 'unsafe-inline'; "
    + "img-src 'self'; connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'"],
  ['X-Content-Type-Options', 'nosniff'],
  ['X-Frame-Options', 'DENY'],
  ['Referrer-Policy', 'no-referrer'],
  ['Cross-Origin-Resource-Policy', 'same-origin'],
];

// The head's lines after the status line, other than Connection, Content-Length and Content-Type.
// (A handler's own Cache-Control replaces no-store: the image answers' test in api.test.mjs.)
function assertGateHeaders(answer, own = []) {
  const names = answer.headers.map(([name]) => name)
    .filter((n) => n !== 'Connection' && n !== 'Content-Length' && n !== 'Content-Type');
  assert.deepEqual(names, [...own, ...securityHeaders.map(([n]) => n), 'Cache-Control']);
  for (const [name, value] of securityHeaders) assert.equal(answer.header(name), value);
  assert.deepEqual(answer.all('Cache-Control'), ['no-store']);
}

describe('gate', () => {
  let program;
  before(async () => { program = await startProgram(); });
  after(() => program?.stop());

  const bare = (method, target, headers) => request(program.port, method, target, headers);

  test('the launch ticket is traded once for the cookie', async () => {
    // startProgram traded the ticket of the launch address; the same address again gets the page.
    const target = program.address.slice(program.origin.length);
    const reused = await bare('GET', target, [['Host', program.host]]);
    assert.equal(reused.status, 401);
    assert.equal(reused.header('Content-Type'), 'text/html; charset=utf-8');
    assert.equal(reused.text, reopenPage);
    assertGateHeaders(reused);
    assert.match(program.cookie, new RegExp(`^fc_${program.port}=[0-9a-f]{64}$`));

    // A window that still has its cookie and opens a spent address is sent on without a new one.
    const withCookie = await bare('GET', `${target}&page=0f8fad5b-d9cb-469f-a165-70867728950e`,
      [['Host', program.host], ['Cookie', program.cookie]]);
    assert.equal(withCookie.status, 302);
    assert.equal(withCookie.header('Location'), '/#/p/0f8fad5b-d9cb-469f-a165-70867728950e');
    assert.equal(withCookie.header('Set-Cookie'), undefined);
    assert.equal(withCookie.header('Content-Type'), undefined);
    assertGateHeaders(withCookie, ['Location']);
  });

  test('the cookie answers the client; without it the API asks to reopen', async () => {
    const page = await program.api('GET', '/');
    assert.equal(page.status, 200);
    assert.equal(page.header('Content-Type'), 'text/html; charset=utf-8');
    assertGateHeaders(page);

    for (const target of ['/api/status', '/api/pages?ids=0f8fad5b-d9cb-469f-a165-70867728950e']) {
      const noCookie = await bare('GET', target, [['Host', program.host], ['Origin', program.origin]]);
      assert.equal(noCookie.status, 401, target);
      assert.equal(noCookie.text, envelope('reopen', reopenMessage), target);
      assertGateHeaders(noCookie);
    }

  });

  test('outside /api/ only GET is served; /api without a slash is an asset path', async () => {
    const deleted = await program.api('DELETE', '/');
    assert.equal(deleted.status, 405);
    assert.equal(deleted.text, envelope('method_not_allowed'));
    assertGateHeaders(deleted);
    const head = await program.api('HEAD', '/');
    assert.equal(head.status, 405);
    const noSlash = await program.api('GET', '/api');
    assert.equal(noSlash.status, 404);
    assert.equal(noSlash.text, envelope('not_found'));
    const headWithoutOrigin = await bare('HEAD', '/', [['Host', program.host], ['Cookie', program.cookie]]);
    assert.equal(headWithoutOrigin.status, 403);
    assert.equal(headWithoutOrigin.text, envelope('origin_not_allowed'));
  });

  test('a hostile page reaches nothing and changes nothing, and no answer allows another origin', async () => {
    const tag = (await program.api('GET', '/api/tree')).header('ETag');
    const before = readFileSync(program.document);
    const tree = { 'If-Match': tag };
    const evil = 'http://evil.example';
    const upgrade = { Upgrade: 'websocket', Connection: 'Upgrade', 'Sec-WebSocket-Version': '13',
      'Sec-WebSocket-Key': 'dGhlIHNhbXBsZSBub25jZQ==' };
    // Each header given replaces the program's own (Host, Origin, Cookie); null leaves it out.
    const attempts = [
      // Another site's page writing with and without the user's cookie.
      [403, 'origin_not_allowed', 'PUT', '/api/tree', { ...tree, Origin: evil }],
      [403, 'origin_not_allowed', 'PUT', '/api/tree', { ...tree, Origin: evil, Cookie: null }],
      [403, 'origin_not_allowed', 'PUT', '/api/tree', { ...tree, Origin: `http://127.0.0.1:${program.port + 1}` }],
      [403, 'origin_not_allowed', 'PUT', '/api/tree', { ...tree, Origin: `${program.origin}/` }],
      [403, 'origin_not_allowed', 'PUT', '/api/tree', { ...tree, Origin: 'null' }],
      [403, 'origin_not_allowed', 'PUT', '/api/tree', { ...tree, Origin: `HTTP://127.0.0.1:${program.port}` }],
      [403, 'origin_not_allowed', 'PUT', '/api/tree', { ...tree, Origin: `https://127.0.0.1:${program.port}` }],
      [403, 'origin_not_allowed', 'PUT', '/api/tree', { ...tree, Origin: `http://LOCALHOST:${program.port}` }],
      [403, 'origin_not_allowed', 'PUT', '/api/tree', { ...tree, 'Sec-Fetch-Site': 'cross-site' }],
      [403, 'origin_not_allowed', 'DELETE', '/api/pages/0f8fad5b-d9cb-469f-a165-70867728950e',
        { 'Sec-Fetch-Site': 'same-site' }],
      // Its reads, with and without credentials.
      [403, 'origin_not_allowed', 'GET', '/api/tree', { 'Sec-Fetch-Site': 'cross-site' }],
      [403, 'origin_not_allowed', 'GET', '/api/tree', { Origin: evil }],
      [403, 'origin_not_allowed', 'GET', '/api/tree', { Origin: evil, Cookie: null, 'Sec-Fetch-Mode': 'cors' }],
      [403, 'origin_not_allowed', 'GET', '/api/pages?ids=0f8fad5b-d9cb-469f-a165-70867728950e', { Origin: evil }],
      // Form posts, which need no preflight: text/plain, and from a sandboxed frame (Origin null).
      [403, 'origin_not_allowed', 'POST', '/api/images', { Origin: evil, 'Content-Type': 'text/plain' }],
      [403, 'origin_not_allowed', 'POST', '/api/file/new', { Origin: 'null', 'Content-Type': 'text/plain' }],
      [403, 'origin_not_allowed', 'POST', '/api/open-data-folder',
        { Origin: null, 'Sec-Fetch-Site': 'cross-site', 'Content-Type': 'application/x-www-form-urlencoded' }],
      // Websocket upgrades from another site; the program speaks no websocket at all.
      [403, 'origin_not_allowed', 'GET', '/api/tree', { ...upgrade, Origin: evil }],
      [403, 'origin_not_allowed', 'GET', '/', { ...upgrade, Origin: evil, Cookie: null }],
      // A preflight, and the methods the program never serves.
      [403, 'origin_not_allowed', 'OPTIONS', '/api/tree', { Origin: evil, 'Access-Control-Request-Method': 'PUT' }],
      [405, 'method_not_allowed', 'OPTIONS', '/api/tree', {}],
      [405, 'method_not_allowed', 'TRACE', '/api/tree', {}],
      [405, 'method_not_allowed', 'HEAD', '/api/tree', {}],
      [403, 'origin_not_allowed', 'TRACE', '/', { Origin: null }],
      // A DNS-rebinding page: its own name resolved to 127.0.0.1.
      [403, 'host_not_allowed', 'PUT', '/api/tree', { ...tree, Host: `evil.example:${program.port}` }],
      [403, 'host_not_allowed', 'GET', '/api/tree', { Host: 'evil.example' }],
      [403, 'host_not_allowed', 'GET', '/api/tree', { Host: '127.0.0.1' }],
      [403, 'host_not_allowed', 'GET', '/api/tree', { Host: `127.0.0.1.:${program.port}` }],
      [403, 'host_not_allowed', 'GET', '/api/tree', { Host: `[::1]:${program.port}` }],
      [403, 'host_not_allowed', 'GET', '/api/tree', { Host: `localhost.:${program.port}` }],
      [403, 'host_not_allowed', 'GET', '/api/tree', { Host: `127.0.0.1:0${program.port}` }],
      [403, 'host_not_allowed', 'GET', '/api/tree', { Host: `localhost.evil.example:${program.port}`, Origin: null }],
    ];
    for (const [status, code, method, target, headers] of attempts) {
      const pairs = [['Host', program.host], ['Origin', program.origin], ['Cookie', program.cookie]];
      for (const [name, value] of Object.entries(headers)) {
        const existing = pairs.find(([n]) => n === name);
        if (existing) existing[1] = value; else pairs.push([name, value]);
      }
      const sent = pairs.filter(([, value]) => value !== null);
      const answer = await request(program.port, method, target, sent, method === 'PUT' ? '{"stolen":1}' : undefined);
      const what = `${method} ${target} ${JSON.stringify(headers)}`;
      assert.equal(answer.status, status, what);
      assert.equal(answer.text, envelope(code), what);
      assertGateHeaders(answer);
      assert.deepEqual(answer.headers.filter(([name]) => /^access-control-/i.test(name)), [], what);
    }
    // Without an Origin header only GET passes: a form post or a script's write does not.
    for (const method of ['PUT', 'POST', 'DELETE']) {
      const target = method === 'PUT' ? '/api/tree' : method === 'POST' ? '/api/images' : '/api/images/' + 'a'.repeat(32);
      const answer = await request(program.port, method, target,
        [['Host', program.host], ['Cookie', program.cookie], ['If-Match', tag]], method === 'DELETE' ? undefined : '{"x":1}');
      assert.equal(answer.status, 403, method);
      assert.equal(answer.text, envelope('origin_not_allowed'));
    }
    assert.deepEqual(readFileSync(program.document), before);
    assert.equal((await program.api('GET', '/api/tree')).header('ETag'), tag);
  });

  test('either loopback name is accepted, the host in any letter case', async () => {
    const answer = await request(program.port, 'GET', '/api/status',
      [['Host', `LOCALHOST:${program.port}`], ['Cookie', program.cookie]]);
    assert.equal(answer.status, 200);
    const written = await request(program.port, 'PUT', '/api/nothing', [['Host', `localhost:${program.port}`],
      ['Origin', `http://localhost:${program.port}`], ['Cookie', program.cookie]], '{}');
    assert.equal(written.status, 404);
  });
});
