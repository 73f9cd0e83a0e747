#!/usr/bin/env node
// Stands in for the system's file dialog: the program runs it with the arguments
// "open" or "save", the dialog title and the initial name, and reads the chosen path from the
// first line of its output. Answers come one per line from the file named by env
// FERNCARD_TEST_DIALOG_ANSWERS (the first line is used up); an empty line, or no line left,
// is a cancelled dialog. Each call is recorded as a JSON line in FERNCARD_TEST_DIALOG_LOG.
import fs from 'node:fs';

const answersFile = process.env.FERNCARD_TEST_DIALOG_ANSWERS;
const logFile = process.env.FERNCARD_TEST_DIALOG_LOG;
if (logFile) fs.appendFileSync(logFile, JSON.stringify(process.argv.slice(2)) + '\n');

let answer = '';
if (answersFile && fs.existsSync(answersFile)) {
  const lines = fs.readFileSync(answersFile, 'utf8').split('\n');
  answer = lines.shift() || '';
  fs.writeFileSync(answersFile, lines.join('\n'));
}
if (!answer) process.exit(1);
process.stdout.write(answer + '\n');
