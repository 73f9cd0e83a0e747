// Lengths of time the window counts in, and the clock time as it shows it ("09:05").
export const MINUTE_MS = 60 * 1000;
export const HOUR_MS = 60 * MINUTE_MS;
export const DAY_MS = 24 * HOUR_MS;

export function twoDigits(value) {
  return String(value).padStart(2, '0');
}

export function clockTime(date) {
  return twoDigits(date.getHours()) + ':' + twoDigits(date.getMinutes());
}
