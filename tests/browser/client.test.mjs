import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { pause, useWindow } from '../support/browser.mjs';

describe('API client and dialogs', () => {
  let page;
  useWindow((opened) => { ({ page } = opened); }, { clock: true });

  test('keepalive is asked only for bodies under 60,000 UTF-8 bytes', async () => {
    const result = await page.evaluate(async () => {
      const { api, NO_RECORD } = await import('/assets/js/api.js');
      const seen = [];
      const original = window.fetch;
      window.fetch = (url, options) => {
        if (options && options.method === 'PUT') seen.push(Boolean(options.keepalive));
        return original(url, options);
      };
      try {
        const big = 'あ'.repeat(30000); // 30,000 characters, 90,000 bytes
        const small = 'い'.repeat(1000);
        const bigId = crypto.randomUUID();
        const smallId = crypto.randomUUID();
        await api.putPage(bigId, big, NO_RECORD, true);
        await api.putPage(smallId, small, NO_RECORD, true);
        return {
          seen,
          bigStored: (await api.getPage(bigId)).html === big,
          smallStored: (await api.getPage(smallId)).html === small,
        };
      } finally {
        window.fetch = original;
      }
    });
    assert.deepEqual(result, { seen: [false, true], bigStored: true, smallStored: true });
  });

  test('a second toast replaces the first and keeps its own duration', async () => {
    await pause(page);
    await page.evaluate(async () => {
      const { showToast } = await import('/assets/js/dialogs.js');
      showToast('first', { ms: 150 });
      showToast('second', { ms: 600 });
    });
    const toast = () => page.evaluate(() => [document.getElementById('toast').hidden, document.getElementById('toast').textContent]);
    await page.clock.runFor(300);
    assert.deepEqual(await toast(), [false, 'second']);
    await page.clock.runFor(500);
    assert.equal((await toast())[0], true);
    await page.clock.resume();
  });
});
