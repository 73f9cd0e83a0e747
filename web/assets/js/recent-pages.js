// The pages this browser opened last, newest first, kept in local storage for the quick switcher.

const STORAGE_KEY = 'ferncard.recent';
const KEEP = 30;

export function recentPages() {
  try {
    const list = JSON.parse(localStorage.getItem(STORAGE_KEY) || '[]');
    return Array.isArray(list) ? list.filter((id) => typeof id === 'string') : [];
  } catch {
    return [];
  }
}

export function noteOpened(id) {
  if (!id) return;
  const list = [id, ...recentPages().filter((other) => other !== id)].slice(0, KEEP);
  try {
    localStorage.setItem(STORAGE_KEY, JSON.stringify(list));
  } catch {
    // Without storage the switcher just lists pages in the tree's order.
  }
}
