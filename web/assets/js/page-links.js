// Links from one page to another: following them in the window, and retargeting them in an export.
import { showToast } from './dialogs.js';
import { pageLinkHref } from './content-rules.js';
import { messages } from './messages.js';

// The page a link points to, or null for any other link.
export function pageLinkId(anchor) {
  const href = pageLinkHref(anchor ? anchor.getAttribute('href') : null);
  return href ? href.slice(1) : null;
}

// Opens the target of a page link clicked inside root, without Ctrl, in this window, with
// open(id); pages is the tree store. Runs in the capture phase on root, so the editor's own link
// handling never sees these clicks.
export function followPageLinks(root, pages, open) {
  root.addEventListener('click', (event) => {
    const anchor = event.target.closest ? event.target.closest('a[href]') : null;
    const id = anchor && root.contains(anchor) ? pageLinkId(anchor) : null;
    if (!id) return;
    event.preventDefault();
    event.stopPropagation();
    if (pages.isLivePage(id)) open(id);
    else if (pages.page(id)) showToast(messages.linkTargetTrashed);
    else showToast(messages.linkTargetDeleted);
  }, true);
}

// In an export, a link to an exported page leads to its article; a link to any other page
// becomes its plain text.
export function retargetPageLinks(root, exportedIds) {
  for (const anchor of [...root.querySelectorAll('a[href]')]) {
    const id = pageLinkId(anchor);
    if (!id) continue;
    if (exportedIds.has(id)) anchor.setAttribute('href', '#p-' + id);
    else anchor.replaceWith(...anchor.childNodes);
  }
}
