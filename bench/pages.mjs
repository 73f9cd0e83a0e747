// The window with pages: time to interactive, opening a large page, and pasting plain text.
import { inBrowser, openWindow, row, smoke, TIMEOUT_MS } from './harness.mjs';
import { pageIdOf } from './inputs.mjs';

// The first window also writes the starting page; the best of the later ones counts.
export async function startupRuns(app) {
  const ttiRuns = [];
  for (let i = 0; i < (smoke ? 2 : 4); i++) {
    ttiRuns.push(await inBrowser(app, (page) => openWindow(page, app)));
  }
  const tti = Math.min(...ttiRuns.slice(1).map((value) => value ?? Infinity));
  row('client', 'time to interactive, small document (best of runs)', tti, 'ms', '—', NaN, NaN, '< 300 ms', tti < 300);
}

// Opening a large page: from the click on its row to its last paragraph laid out.
export async function openPageRuns(app, large) {
  const opened = await inBrowser(app, async (page) => {
    await openWindow(page, app);
    await page.evaluate(() => { window.scrollTo(0, 0); });
    const row = page.locator(`#tree .tree-row[data-id="${pageIdOf(2)}"]`);
    await row.waitFor();
    const began = await page.evaluate(() => performance.now());
    await row.click();
    await page.waitForFunction((marker) => document.getElementById('editor').textContent.includes(marker),
      large.slice(-200).replace(/<[^>]*>/g, '').slice(-20), { polling: 'raf', timeout: TIMEOUT_MS });
    return (await page.evaluate(() => performance.now())) - began;
  });
  row('client', `open a ${smoke ? 'small' : '1 MB'} page`, opened ?? Infinity, 'ms', '—', NaN, NaN, '< 150 ms', (opened ?? Infinity) < 150);
}

// Plain text pasted into the open page, against the same paragraphs inserted directly by the
// browser's command in the same window; then how long until the server holds it, and the time
// from a key to the next frame when typing after it.
export async function pasteRuns(app) {
  for (const size of smoke ? [20 * 1024] : [100 * 1024, 1024 * 1024]) {
    const label = size >= 1024 * 1024 ? `${size / 1024 / 1024} MB` : `${size / 1024} KB`;
    const result = await inBrowser(app, async (page) => {
      await openWindow(page, app);
      const timings = await page.evaluate(async (bytes) => {
        const lines = [];
        for (let n = 0, length = 0; length < bytes; n++) {
          const line = `${n} 行目: plain text pasted from another program, ${'x'.repeat(40)}`;
          lines.push(line);
          length += new TextEncoder().encode(line).length + 1;
        }
        const editor = document.getElementById('editor');
        // The same start for both: an empty paragraph with the caret in it.
        const clear = () => {
          editor.innerHTML = '<p><br></p>';
          editor.focus();
          document.getSelection().collapse(editor.firstChild, 0);
        };
        const html = lines.map((line) => '<p>' + line + '</p>').join('');
        window.__direct = () => {
          clear();
          const start = performance.now();
          document.execCommand('insertHTML', false, html);
          return performance.now() - start;
        };
        clear();
        const clipboard = new DataTransfer();
        clipboard.setData('text/plain', lines.join('\n'));
        const began = performance.now();
        editor.dispatchEvent(new ClipboardEvent('paste', { clipboardData: clipboard, bubbles: true, cancelable: true }));
        const pasted = performance.now() - began;
        const id = location.hash.slice(4);
        while ((await (await fetch('/api/pages/' + id, { cache: 'no-store' })).text()) !== html) {
          await new Promise((resolve) => { setTimeout(resolve, 50); });
        }
        const stored = performance.now() - began;
        window.__keys = [];
        editor.addEventListener('keydown', (event) => {
          const at = event.timeStamp;
          requestAnimationFrame(() => window.__keys.push(performance.now() - at));
        });
        return { pasted, stored };
      }, size);
      await page.keyboard.press('Control+End');
      await page.keyboard.type('typing after the paste');
      const keys = await page.evaluate(() => window.__keys.slice(1));
      // The browser's own command last: for a megabyte it may not finish in time.
      const direct = await Promise.race([page.evaluate(() => window.__direct()),
        new Promise((resolve) => { setTimeout(() => resolve(Infinity), 2 * TIMEOUT_MS); })]);
      return { ...timings, key: Math.max(...keys), direct };
    }, 6 * TIMEOUT_MS);
    const ratio = result ? result.pasted / result.direct : NaN;
    row('client', `paste ${label} of plain text`, result?.pasted ?? Infinity, 'ms', 'same paragraphs inserted directly',
      result?.direct ?? NaN, ratio, '≤ 1.5 × direct', ratio <= 1.5);
    row('client', `paste ${label}: stored`, result?.stored ?? Infinity, 'ms', '—', NaN, NaN, '< 5000 ms', (result?.stored ?? Infinity) < 5000);
    row('client', `paste ${label}: slowest key after it`, result?.key ?? Infinity, 'ms', '—', NaN, NaN, '< 50 ms', (result?.key ?? Infinity) < 50);
  }
}

