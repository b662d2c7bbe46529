// Runs the Khronos glTF validator on one file and prints its issue counts
// and the errors and warnings as JSON:
//   node gltf_validate.js <gltf-validator package folder> <file>
const fs = require('fs');
const path = require('path');
const validator = require(process.argv[2]);
const file = process.argv[3];
const bytes = fs.readFileSync(file);
validator.validateBytes(new Uint8Array(bytes), {
  uri: path.basename(file),
  maxIssues: 100,
  externalResourceFunction: (uri) => new Promise((resolve, reject) => {
    fs.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)), (err, data) => {
      if (err) reject(err.toString()); else resolve(new Uint8Array(data));
    });
  }),
}).then((report) => {
  const issues = report.issues;
  const messages = issues.messages.filter((m) => m.severity <= 1)
      .map((m) => (m.severity === 0 ? 'error ' : 'warning ') + m.code + ' ' + (m.pointer || '') + ': ' + m.message);
  console.log(JSON.stringify({errors: issues.numErrors, warnings: issues.numWarnings, infos: issues.numInfos,
                              hints: issues.numHints, messages: messages}));
}, (error) => {
  console.log(JSON.stringify({errors: 1, warnings: 0, infos: 0, hints: 0, messages: ['rejected: ' + error]}));
});
