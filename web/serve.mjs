// Serves the web build on 127.0.0.1 for a player's browser: node web/serve.mjs FOLDER [PORT]
import { serve } from './browser.mjs';

const [folder = 'build-web', port = '8000'] = process.argv.slice(2);
await serve(folder, Number(port));
