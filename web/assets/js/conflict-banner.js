// The banner shown when a save met a newer version of the page from elsewhere: load that version
// (dropping this window's changes, once confirmed) or write this window's over it. Loaded when
// a conflict first happens.
import { FILE_ERROR_TOAST_MS, confirmDialog, showToast } from './dialogs.js';
import { messageOf, messages } from './messages.js';

export function showConflictBanner({ banner, editor }) {
  banner.show('conflict', messages.conflict, [
    {
      label: messages.loadLatestAction,
      handler: async () => {
        const ok = await confirmDialog({
          title: messages.loadLatest, message: messages.discardChanges,
          okLabel: messages.discardAndLoad, danger: true,
        });
        if (!ok) return;
        try {
          await editor.discardAndReload();
          banner.hide();
        } catch (error) {
          // The page stays as it is, still in conflict, and the banner stays to try again.
          showToast(messages.latestUnreadable(messageOf(error)), { ms: FILE_ERROR_TOAST_MS, error: true });
        }
      },
    },
    {
      label: messages.overwrite,
      handler: async () => {
        banner.hide();
        try {
          await editor.overwrite();
        } catch (error) {
          showToast(messages.overwriteFailed(messageOf(error)), { ms: FILE_ERROR_TOAST_MS, error: true });
          if (editor.conflict) showConflictBanner({ banner, editor });
        }
      },
    },
  ]);
}
