// Prints what the npm package mdb-reader (an independent reader) sees in a
// database: one line per table, column and row, values normalised so the
// C++ test can compare them with the engine's reader.
//   node mdb_reader_dump.mjs MODULE_DIR FILE
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import path from "node:path";

const [moduleDir, file] = process.argv.slice(2);
const require = createRequire(path.join(moduleDir, "package.json"));
const { default: MDBReader } = await import(require.resolve("mdb-reader"));

function render(value) {
  if (value === null || value === undefined) return "NULL";
  if (Buffer.isBuffer(value)) return value.toString("hex");
  if (value instanceof Date) return value.toISOString();
  return String(value);
}

const reader = new MDBReader(readFileSync(file));
for (const name of reader.getTableNames()) {
  const table = reader.getTable(name);
  console.log(`table\t${name}\t${table.rowCount}`);
  for (const column of table.getColumns()) console.log(`column\t${column.name}\t${column.type}`);
  for (const row of table.getData()) {
    console.log("row\t" + table.getColumnNames().map((c) => render(row[c]).replace(/[\t\n\r\\]/g, (ch) => ({ "\t": "\\t", "\n": "\\n", "\r": "\\r", "\\": "\\\\" })[ch])).join("\t"));
  }
}
