// quillon-mcp through the official MCP TypeScript SDK client, v2 line (2.4.0), in one of its
// version negotiation modes:
//   auto    probes with server/discover, and must land in the modern era at 2026-07-28;
//   pinned  speaks 2026-07-28 and nothing else;
//   legacy  runs the initialize handshake, and must agree on 2025-11-25.
// Then every tool is listed and called against a private tmux server (../sdk_world.mjs), each
// structuredContent checked by a strict 2020-12 validator.
//
//   node sdk_client_v2_test.mjs <path to quillon-mcp> auto|pinned|legacy
// Exit status 0 when all is well, 1 on a failure, 77 (skipped) when the SDK is not installed.

import { tryClient } from '../sdk_world.mjs';

let Client, StdioClientTransport, AjvJsonSchemaValidator, Ajv2020, addFormats;
try {
    ({ Client } = await import('@modelcontextprotocol/client'));
    ({ StdioClientTransport } = await import('@modelcontextprotocol/client/stdio'));
    ({ AjvJsonSchemaValidator } = await import('@modelcontextprotocol/client/validators/ajv'));
    ({ Ajv2020 } = await import('ajv/dist/2020.js'));
    addFormats = (await import('ajv-formats')).default;
} catch (error) {
    console.log(`skipped: the MCP SDK is not installed here (npm ci in this folder): ${error.message}`);
    process.exit(77);
}

const modes = {
    auto: { negotiation: { mode: 'auto' }, era: 'modern', version: '2026-07-28' },
    pinned: { negotiation: { mode: { pin: '2026-07-28' } }, era: 'modern', version: '2026-07-28' },
    legacy: { negotiation: { mode: 'legacy' }, era: 'legacy', version: '2025-11-25' },
};
const [binary, modeName] = process.argv.slice(2);
const mode = modes[modeName];
if (!binary || !mode) {
    console.error('usage: node sdk_client_v2_test.mjs <quillon-mcp> auto|pinned|legacy');
    process.exit(2);
}

await tryClient({ Ajv2020, addFormats }, async (world, ajv) => {
    const client = new Client({ name: 'quillon-sdk-v2-test', version: '1.0.0' },
        { versionNegotiation: mode.negotiation, jsonSchemaValidator: new AjvJsonSchemaValidator(ajv) });
    await client.connect(new StdioClientTransport({ command: binary, env: world.env, stderr: 'ignore' }));
    world.expect(client.getProtocolEra() === mode.era, `era ${client.getProtocolEra()}`);
    world.expect(client.getNegotiatedProtocolVersion() === mode.version, `revision ${client.getNegotiatedProtocolVersion()}`);
    world.expect(client.getInstructions()?.startsWith('Quillon MCP:'), 'instructions');
    return client;
}, `the v2 SDK client (${modeName}) accepted every tool and answer at ${mode.version}`);
