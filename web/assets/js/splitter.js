// The bar between the sidebar and the page: dragged or moved with the arrow keys, its place remembered.
import { loadSidebarWidth, saveSidebarWidth } from './view-state.js';

const MIN_SIDEBAR = 160;
const MAX_SIDEBAR_RATIO = 0.6;
const SPLITTER_STEP = 20;

// onResize() follows every change of the sidebar's width.
export function attachSplitter({ splitter, sidebar, onResize }) {
  // A screen reader hears the width in pixels and its bounds.
  const tell = (width) => {
    splitter.setAttribute('aria-valuemin', String(MIN_SIDEBAR));
    splitter.setAttribute('aria-valuemax', String(Math.round(window.innerWidth * MAX_SIDEBAR_RATIO)));
    splitter.setAttribute('aria-valuenow', String(Math.round(width)));
  };
  const setWidth = (value) => {
    const width = Math.round(Math.min(window.innerWidth * MAX_SIDEBAR_RATIO, Math.max(MIN_SIDEBAR, value)));
    sidebar.style.width = width + 'px';
    tell(width);
    saveSidebarWidth(width);
    onResize();
  };
  const stored = loadSidebarWidth();
  if (typeof stored === 'number') setWidth(stored);
  else tell(sidebar.getBoundingClientRect().width);
  splitter.addEventListener('pointerdown', (event) => {
    if (event.button !== 0) return;
    event.preventDefault();
    splitter.setPointerCapture(event.pointerId);
    splitter.classList.add('dragging');
  });
  splitter.addEventListener('pointermove', (event) => {
    if (splitter.hasPointerCapture(event.pointerId)) setWidth(event.clientX);
  });
  const stop = (event) => {
    if (splitter.hasPointerCapture(event.pointerId)) splitter.releasePointerCapture(event.pointerId);
    splitter.classList.remove('dragging');
  };
  splitter.addEventListener('pointerup', stop);
  splitter.addEventListener('pointercancel', stop);
  splitter.addEventListener('keydown', (event) => {
    if (event.key !== 'ArrowLeft' && event.key !== 'ArrowRight') return;
    event.preventDefault();
    const current = sidebar.getBoundingClientRect().width;
    setWidth(current + (event.key === 'ArrowLeft' ? -SPLITTER_STEP : SPLITTER_STEP));
  });
}
