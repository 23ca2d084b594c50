// Prints an .mdb file as the npm package mdb-reader reads it, as JSON:
// {"sortOrder": ..., "tables": {name: {"columns": [{name, type, size}], "rows": [[...]]}}}.
// Binary values print as lower-case hex, dates as ISO texts, and numbers
// that JSON cannot hold exactly as texts.
//   node mdb_reader_dump.mjs MODULE_DIR FILE.mdb
import { readFileSync } from "fs";
import { createRequire } from "module";
import { pathToFileURL } from "url";
import path from "path";

const [moduleDir, file] = process.argv.slice(2);
const entry = createRequire(path.join(path.resolve(moduleDir), "index.js")).resolve("mdb-reader");
const { default: MDBReader } = await import(pathToFileURL(entry).href);

function plain(value) {
  if (value === null || value === undefined) return null;
  if (Buffer.isBuffer(value)) return value.toString("hex");
  if (value instanceof Date) return value.toISOString();
  if (typeof value === "bigint") return value.toString();
  return value;
}

const reader = new MDBReader(readFileSync(file));
const out = { sortOrder: reader.getDefaultSortOrder(), tables: {} };
for (const name of reader.getTableNames()) {
  const table = reader.getTable(name);
  const columns = table.getColumns().map((c) => ({ name: c.name, type: c.type, size: c.size }));
  const rows = table.getData({ rowOffset: 0 }).map((row) => columns.map((c) => plain(row[c.name])));
  out.tables[name] = { columns, rows };
}
process.stdout.write(JSON.stringify(out));
