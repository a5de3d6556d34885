// Bundles one page's entry script and the packages it imports into a single
// minified script that Vork serves as it is (its pages allow no other script
// sources); with --node, a test of the pages' code for node's test runner.
// Run where `npm ci` was done:
//   node bundle.mjs <entry.js> <out.js> [--node]
// Imports resolve from the node_modules beside this file, not beside the
// entry, so the page sources can stay in the source tree while the packages
// live in a build folder.
import { build } from 'esbuild';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const [entry, out, mode] = process.argv.slice(2);
const forNode = mode === '--node';
if (!entry || !out) {
  console.error('usage: node bundle.mjs <entry.js> <out.js>');
  process.exit(2);
}

const here = dirname(fileURLToPath(import.meta.url));

try {
  await build({
    entryPoints: [resolve(entry)],
    outfile: resolve(out),
    bundle: true,
    format: forNode ? 'esm' : 'iife',
    platform: forNode ? 'node' : 'browser',
    target: forNode ? 'node18' : 'es2020',  // the libraries need BigInt: browsers from 2020 on
    minify: !forNode,
    sourcemap: false,
    legalComments: 'eof',  // keeps the packages' licence notices (//! comments) in the served file
    nodePaths: [join(here, 'node_modules')],
    logLevel: 'warning',
  });
} catch {
  // esbuild has already printed what went wrong.
  process.exit(1);
}
