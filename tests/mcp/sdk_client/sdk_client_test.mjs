// quillon-mcp through the official MCP TypeScript SDK client: the client negotiates a
// revision, lists the tools and calls each one against a private tmux server. The SDK
// checks every structuredContent against the tool's outputSchema; here its validator runs
// in strict mode, so a malformed schema fails too.
//
//   node sdk_client_test.mjs <path to quillon-mcp>
// Exit status 0 when all is well, 1 on a failure, 77 (skipped) when the SDK is not installed.

import { execFileSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

let Client, StdioClientTransport, AjvJsonSchemaValidator, Ajv, addFormats;
try {
    ({ Client } = await import('@modelcontextprotocol/sdk/client/index.js'));
    ({ StdioClientTransport } = await import('@modelcontextprotocol/sdk/client/stdio.js'));
    ({ AjvJsonSchemaValidator } = await import('@modelcontextprotocol/sdk/validation/ajv'));
    Ajv = (await import('ajv')).default;
    addFormats = (await import('ajv-formats')).default;
} catch (error) {
    console.log(`skipped: the MCP SDK is not installed here (npm ci in this folder): ${error.message}`);
    process.exit(77);
}

const binary = process.argv[2];
if (!binary) {
    console.error('usage: node sdk_client_test.mjs <quillon-mcp>');
    process.exit(2);
}

const failures = [];
const expect = (ok, what) => {
    if (!ok) failures.push(what);
};

// A private tmux world: its own TMUX_TMPDIR, servers addressed by -L only, never the user's.
const home = mkdtempSync(join(tmpdir(), 'quillon-sdk-'));
const env = { PATH: process.env.PATH, HOME: home, TMUX_TMPDIR: home, QUILLON_LANG: 'en' };
const tmux = (server, ...args) =>
    execFileSync('tmux', ['-L', server, '-f', '/dev/null', ...args], { env: { ...env, SHELL: '/bin/sh' }, encoding: 'utf8' });

let client;
try {
    for (const dir of ['proj/.git', 'proj/deep', 'other/.git']) mkdirSync(join(home, dir), { recursive: true });
    tmux('live', 'new-session', '-d', '-s', 'work', '-c', join(home, 'proj/deep'));
    tmux('live', 'split-window', '-d', '-t', 'work:0', '-c', join(home, 'other'));
    tmux('live', 'new-window', '-d', '-t', 'work', '-n', 'logs');
    tmux('live', 'new-session', '-d', '-s', 'said', 'printf "hello-42\\n"; sleep 600');
    // A server killed hard leaves its socket behind: a stale entry in the census.
    tmux('gone', 'new-session', '-d', '-s', 'x');
    process.kill(Number(tmux('gone', 'display-message', '-p', '#{pid}').trim()), 'SIGKILL');

    const ajv = new Ajv({ strict: true, allErrors: true });
    addFormats(ajv);
    client = new Client({ name: 'quillon-sdk-test', version: '1.0.0' }, { jsonSchemaValidator: new AjvJsonSchemaValidator(ajv) });
    const transport = new StdioClientTransport({ command: binary, env, stderr: 'ignore' });
    let agreed;
    transport.setProtocolVersion = version => {
        agreed = version;
    };
    await client.connect(transport);
    // The SDK asks for its newest revision; quillon-mcp answers with its own newest.
    expect(agreed === '2025-06-18', `negotiated revision ${agreed}`);
    expect(client.getServerVersion()?.name === 'quillon', 'server name');

    const { tools } = await client.listTools();
    for (const tool of tools) {
        expect(tool.outputSchema?.type === 'object', `${tool.name}: outputSchema`);
        expect(tool.annotations?.readOnlyHint === true && tool.annotations?.openWorldHint === false,
            `${tool.name}: annotations`);
    }

    const calls = [
        ['tmux_census', {}],
        ['tmux_servers', {}],
        ['tmux_sessions', { socket: 'live' }],
        ['tmux_sessions', {}],
        ['tmux_windows', { session: 'work', socket: 'live' }],
        ['tmux_capture_pane', { target: 'said:0.0', socket: 'live', lines: 20 }],
        ['tmux_capture_pane', { target: 'work:1.0', socket: 'live' }],
        ['tmux_find_project', { query: 'proj' }],
        ['tmux_find_project', { query: 'nothing' }],
        ['tmux_search_panes', { query: 'hello', socket: 'live' }],
        ['tmux_search_panes', { query: 'h.llo-\\d+', regex: true, socket: 'live', session: 'said' }],
    ];
    const listed = new Set(tools.map(tool => tool.name));
    const called = new Set();
    for (const [name, args] of calls) {
        if (!listed.has(name)) continue;  // a tool this build does not have yet
        called.add(name);
        try {
            // callTool throws when structuredContent is missing or does not match the schema.
            const result = await client.callTool({ name, arguments: args });
            expect(result.isError === false, `${name} ${JSON.stringify(args)}: isError`);
            expect(typeof result.structuredContent === 'object', `${name}: structuredContent`);
            expect(result.content?.[0]?.type === 'text', `${name}: text content`);
        } catch (error) {
            failures.push(`${name} ${JSON.stringify(args)}: ${error.message}`);
        }
    }
    for (const name of listed) expect(called.has(name), `${name}: not called`);

    // A failure is a normal result without structured content, and the SDK takes it so.
    const failed = await client.callTool({ name: 'tmux_windows', arguments: { session: 'none', socket: 'live' } });
    expect(failed.isError === true && failed.structuredContent === undefined, 'a failed call');
} catch (error) {
    failures.push(`unexpected: ${error.stack ?? error}`);
} finally {
    await client?.close().catch(() => {});
    try {
        tmux('live', 'kill-server');
    } catch {}
    rmSync(home, { recursive: true, force: true });
}

if (failures.length) {
    console.error(failures.join('\n'));
    process.exit(1);
}
console.log('the SDK client accepted every tool and answer');
