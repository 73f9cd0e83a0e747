// Transport and store: the program's status, page and tree requests under load, beside a floor
// server, direct SQLite and a Node server on the same document.
import fs from 'node:fs';
import path from 'node:path';
import { direct, freePort, here, load, memoryOf, rawRequest, row, smoke, start, tool, waitFor, work } from './harness.mjs';
import { pageHtml, pageIdOf, tagOf, treeDocument } from './inputs.mjs';

export async function serverRuns(app) {
  const floorPort = await freePort();
  const floor = start(tool, ['floor', String(floorPort)]);
  await waitFor(() => floor.output.includes('listening'), 5000, 'the floor server');

  let node = null;
  let nodePort = 0;
  const nodeDocument = path.join(work, 'node.fcard');
  const haveNode = fs.existsSync(path.join(here, 'node_modules', 'better-sqlite3'));

  const statusFile = rawRequest(app.port, 'GET', '/api/status', app.headers);
  const floorFile = rawRequest(floorPort, 'GET', '/api/status', {});
  for (const clients of smoke ? [1] : [1, 8, 32]) {
    const ours = await load(app.port, clients, statusFile);
    const base = await load(floorPort, clients, floorFile);
    const ratio = ours.perSecond / base.perSecond;
    row('transport', `GET /api/status, ${clients} client${clients > 1 ? 's' : ''}`, ours.perSecond, 'req/s',
      'floor server', base.perSecond, ratio, '≥ 0.8 of floor', ratio >= 0.8);
  }
  floor.kill('SIGKILL');

  // Store inputs, written through the program.
  const small = pageHtml(smoke ? 2000 : 10 * 1024);
  const large = pageHtml(smoke ? 20000 : 1024 * 1024);
  const tree = treeDocument(smoke ? 100 : 10000, 0);
  await app.api('PUT', `/api/pages/${pageIdOf(1)}`, small, { 'If-Match': '"0"', 'Content-Type': 'text/plain; charset=utf-8' });
  await app.api('PUT', `/api/pages/${pageIdOf(2)}`, large, { 'If-Match': '"0"', 'Content-Type': 'text/plain; charset=utf-8' });
  const oldTree = await app.api('GET', '/api/tree');
  await app.api('PUT', '/api/tree', tree, { 'If-Match': oldTree.headers.get('etag'), 'Content-Type': 'application/json' });
  const document = JSON.parse(await (await app.api('GET', '/api/status')).text()).file;
  fs.copyFileSync(document, nodeDocument);

  if (haveNode) {
    nodePort = await freePort();
    node = start(process.execPath, [path.join(here, 'node-server.mjs'), String(nodePort), nodeDocument]);
    await waitFor(() => node.output.includes('listening'), 10000, 'the Node server');
  }

  // The last item is the size of the answer's body (null: a small one).
  const operations = [
    ['GET 10 KB page', 'GET', `/api/pages/${pageIdOf(1)}`, pageIdOf(1), null, Buffer.byteLength(small)],
    ['GET 1 MB page', 'GET', `/api/pages/${pageIdOf(2)}`, pageIdOf(2), null, Buffer.byteLength(large)],
    ['PUT 10 KB page', 'PUT', `/api/pages/${pageIdOf(1)}`, pageIdOf(1), small, null],
    ['PUT 1 MB page', 'PUT', `/api/pages/${pageIdOf(2)}`, pageIdOf(2), large, null],
    [`GET tree of ${smoke ? 100 : 10000} pages`, 'GET', '/api/tree', 'tree', null, Buffer.byteLength(tree)],
  ];
  for (const [name, method, target, id, body, answerBytes] of operations) {
    const extra = body === null ? {} : { 'If-Match': tagOf(body), 'Content-Type': 'text/plain; charset=utf-8' };
    const request = rawRequest(app.port, method, target, { ...app.headers, ...extra }, body ?? '');
    const bodyFile = body === null ? null : path.join(work, `body-${id}`);
    if (bodyFile) fs.writeFileSync(bodyFile, body);
    const op = method === 'GET' ? 'get' : 'put';
    // Direct SQLite pays nothing for the request itself; the floor server sends the same request's
    // answer of the same size from memory, which is the least the transport costs.
    const wirePort = await freePort();
    const wire = start(tool, ['floor', String(wirePort), ...(answerBytes === null ? [] : [String(answerBytes)])]);
    await waitFor(() => wire.output.includes('listening'), 5000, 'the floor server');
    const wireRequest = rawRequest(wirePort, method, target, extra, body ?? '');
    // The program, direct SQLite and the floor in turns, the best of each: the machine's load
    // shifts while they run, and taking turns keeps any side from having all the quiet moments.
    let ours = null;
    let floorRun = null;
    let keptRun = null;
    let wireRun = null;
    const faster = (best, run) => (best && best.meanMs <= run.meanMs ? best : run);
    for (let turn = 0; turn < (smoke ? 1 : 3); turn++) {
      ours = faster(ours, await load(app.port, 1, request));
      floorRun = faster(floorRun, await direct(document, op, id, bodyFile));
      keptRun = faster(keptRun, await direct(document, op, id, bodyFile, true));
      wireRun = faster(wireRun, await load(wirePort, 1, wireRequest));
    }
    wire.kill('SIGKILL');
    const ratio = ours.meanMs / floorRun.meanMs;
    row('store', `${name}: time per request`, ours.meanMs, 'ms', 'direct SQLite', floorRun.meanMs, ratio,
      '≤ 1.5× direct', ratio <= 1.5);
    row('store', `${name}: time per request`, ours.meanMs, 'ms', 'direct SQLite, connection kept', keptRun.meanMs,
      ours.meanMs / keptRun.meanMs, '—', true);
    const both = floorRun.meanMs + wireRun.meanMs;
    row('store', `${name}: time per request`, ours.meanMs, 'ms',
      `direct SQLite plus the floor server's answer of as many bytes (${wireRun.meanMs.toFixed(2)} ms)`, both,
      ours.meanMs / both, '—', true);
    if (node) {
      const theirs = await load(nodePort, 1, rawRequest(nodePort, method, target, extra, body ?? ''));
      const share = ours.perSecond / theirs.perSecond;
      row('store', `${name}: throughput`, ours.perSecond, 'req/s', 'Node + better-sqlite3', theirs.perSecond, share,
        '≥ 1× Node', share >= 1);
    }
  }
  const peak = memoryOf(app.child.pid, 'VmHWM');
  if (node) {
    row('memory', 'peak through the store runs', peak, 'MiB', 'Node server peak', memoryOf(node.pid, 'VmHWM'),
      peak / memoryOf(node.pid, 'VmHWM'), '—', true);
    node.kill('SIGKILL');
  } else {
    row('memory', 'peak through the store runs', peak, 'MiB', '—', NaN, NaN, '—', true);
  }
  return { large, tree };
}

