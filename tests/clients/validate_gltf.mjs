// Validates glTF and GLB files with the Khronos glTF validator: any error or warning fails.
//   node tests/clients/validate_gltf.mjs FILE...
import fs from 'fs';
import validator from 'gltf-validator';

let failed = false;
for (const file of process.argv.slice(2)) {
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    externalResourceFunction: (uri) => Promise.reject(new Error(`${file} names an outside resource: ${uri}`)),
  });
  const { numErrors, numWarnings, messages } = report.issues;
  console.log(`${file}: ${numErrors} errors, ${numWarnings} warnings`);
  for (const m of messages.filter((m) => m.severity <= 1)) console.log(`  ${m.code} ${m.pointer ?? ''}: ${m.message}`);
  if (numErrors > 0 || numWarnings > 0) failed = true;
}
process.exit(failed ? 1 : 0);
