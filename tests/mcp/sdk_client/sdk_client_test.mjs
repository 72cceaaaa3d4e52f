// quillon-mcp through the official MCP TypeScript SDK client, v1 line (1.32.2): it asks for
// its newest revision, 2025-11-25, in initialize and must get it; then every tool is listed
// and called against a private tmux server (../sdk_world.mjs). The SDK checks each
// structuredContent against the tool's outputSchema with a strict 2020-12 validator.
//
//   node sdk_client_test.mjs <path to quillon-mcp>
// Exit status 0 when all is well, 1 on a failure, 77 (skipped) when the SDK is not installed.

import { tryClient } from '../sdk_world.mjs';

let Client, StdioClientTransport, AjvJsonSchemaValidator, Ajv2020, addFormats;
try {
    ({ Client } = await import('@modelcontextprotocol/sdk/client/index.js'));
    ({ StdioClientTransport } = await import('@modelcontextprotocol/sdk/client/stdio.js'));
    ({ AjvJsonSchemaValidator } = await import('@modelcontextprotocol/sdk/validation/ajv'));
    Ajv2020 = (await import('ajv/dist/2020.js')).default;
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

await tryClient({ Ajv2020, addFormats }, async (world, ajv) => {
    const client = new Client({ name: 'quillon-sdk-test', version: '1.0.0' }, { jsonSchemaValidator: new AjvJsonSchemaValidator(ajv) });
    const transport = new StdioClientTransport({ command: binary, env: world.env, stderr: 'ignore' });
    let agreed;
    transport.setProtocolVersion = version => {
        agreed = version;
    };
    await client.connect(transport);
    world.expect(agreed === '2025-11-25', `negotiated revision ${agreed}`);
    return client;
}, 'the v1 SDK client accepted every tool and answer at 2025-11-25');
