// Bundles one page's entry script and the packages it imports into a single
// minified script that Vork serves as it is (its pages allow no other script
// sources). Run where `npm ci` was done:
//   node bundle.mjs <entry.js> <out.js>
// Imports resolve from the node_modules beside this file, not beside the
// entry, so the page sources can stay in the source tree while the packages
// live in a build folder.
import { build } from 'esbuild';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const [entry, out] = process.argv.slice(2);
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
    format: 'iife',
    platform: 'browser',
    target: 'es2019',
    minify: true,
    sourcemap: false,
    legalComments: 'eof',  // keeps the packages' licence notices (//! comments) in the served file
    nodePaths: [join(here, 'node_modules')],
    logLevel: 'warning',
  });
} catch {
  // esbuild has already printed what went wrong.
  process.exit(1);
}
