// Drives tests/support/scripted-picker.sh, the stand-in for the system's file picker.
import { existsSync, mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const script = path.join(path.dirname(fileURLToPath(import.meta.url)), 'scripted-picker.sh');

export function makePicker(dir) {
  mkdirSync(dir, { recursive: true });
  const file = (name) => path.join(dir, name);
  return {
    env: { FERNCARD_FILE_DIALOG: script, FERNCARD_PICKER_DIR: dir },
    // The path the next dialogs choose; null cancels them.
    answer(chosen) {
      if (chosen === null) rmSync(file('answer'), { force: true });
      else writeFileSync(file('answer'), chosen);
    },
    hold(on) {
      if (on) writeFileSync(file('hold'), '');
      else rmSync(file('hold'), { force: true });
    },
    // Every call so far as [form, title, initial name] or [form, title, initial name, initial folder].
    calls() {
      if (!existsSync(file('calls'))) return [];
      return readFileSync(file('calls'), 'utf8').split('\n').filter(Boolean).map((line) => line.split('|'));
    },
  };
}
