// Prints a table the way mdb-export does by default, read with the npm package mdb-reader.
import MDBReader from "mdb-reader";
import { readFileSync, writeSync } from "fs";

// With a third argument, nulls print as that text and empty texts as "" (mdb-export prints
// both as nothing).
const [file, tableName, nullText] = process.argv.slice(2);
const reader = new MDBReader(readFileSync(file));
if (!tableName) {
    for (const name of reader.getTableNames()) process.stdout.write(name + "\n");
    process.exit(0);
}
const table = reader.getTable(tableName);
const names = table.getColumnNames();
const field = (value) => {
    if (value === null || value === undefined) return nullText ?? "";
    if (value === "" && nullText === undefined) return "";
    if (typeof value === "boolean") return value ? "1" : "0";
    if (typeof value === "number") return String(value);
    return '"' + String(value).replaceAll('"', '""') + '"';
};
// In batches: a database of a million rows is more text than one string may hold.
writeSync(1, names.join(",") + "\n");
const batch = 20000;
for (let offset = 0; offset < table.rowCount; offset += batch) {
    let out = "";
    for (const row of table.getData({ rowOffset: offset, rowLimit: batch }))
        out += names.map((name) => field(row[name])).join(",") + "\n";
    writeSync(1, out);
}
