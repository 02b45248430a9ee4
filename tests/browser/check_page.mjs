// The real-browser check of tavlin-view's page: headless Chromium opens the
// page of the bundled sample, with no console error and no request beyond
// the file itself; its screenshot (kept at SHOT) is not blank and shows the
// strips of every decoder in the colour the page gives it. Then it opens a page of 50
// dense records, checks that it is no wider than the window, and prints how
// long it took to load and render.
//   node check_page.mjs SAMPLE_PAGE SHOT BIG_PAGE
import { chromium } from 'playwright-core';

const [samplePage, shot, bigPage] = process.argv.slice(2);
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync'],
});
const problems = [];
const page = await browser.newPage({ viewport: { width: 1400, height: 1300 } });
page.on('console', (m) => { if (m.type() === 'error' || m.type() === 'warning') problems.push(`console: ${m.text()}`); });
page.on('pageerror', (e) => problems.push(`page error: ${e}`));
page.on('request', (r) => { if (!r.url().startsWith('file:') && !r.url().startsWith('data:')) problems.push(`request: ${r.url()}`); });

await page.goto(`file://${samplePage}`, { waitUntil: 'load' });
const png = await page.screenshot({ path: shot });
// Each decoder's letter and colour, as the page draws its first record.
const decoders = await page.evaluate(() => {
  const found = {};
  for (const band of document.querySelectorAll('svg g.band')) {
    const hex = band.style.getPropertyValue('--c').trim().replace('#', '');
    found[band.querySelector('text.letter').textContent] = [0, 2, 4].map((i) => parseInt(hex.slice(i, i + 2), 16));
  }
  return found;
});
// The browser decodes its own screenshot: pixels that are not white, and
// those near each decoder's colour.
const counts = await page.evaluate(async ([data, colours]) => {
  const image = new Image();
  image.src = `data:image/png;base64,${data}`;
  await image.decode();
  const canvas = document.createElement('canvas');
  canvas.width = image.width;
  canvas.height = image.height;
  const context = canvas.getContext('2d');
  context.drawImage(image, 0, 0);
  const pixels = context.getImageData(0, 0, canvas.width, canvas.height).data;
  const found = { all: pixels.length / 4, notWhite: 0 };
  for (const letter of Object.keys(colours)) found[letter] = 0;
  for (let i = 0; i < pixels.length; i += 4) {
    const [r, g, b] = [pixels[i], pixels[i + 1], pixels[i + 2]];
    if (r + g + b < 740) found.notWhite++;
    for (const [letter, [cr, cg, cb]] of Object.entries(colours))
      if (Math.abs(r - cr) + Math.abs(g - cg) + Math.abs(b - cb) < 90) found[letter]++;
  }
  return found;
}, [png.toString('base64'), decoders]);
const bands = await page.evaluate(() => document.querySelectorAll('svg g.band').length);

if (counts.notWhite < counts.all / 50) problems.push(`the screenshot is blank: ${counts.notWhite} of ${counts.all} pixels not white`);
const letters = Object.keys(decoders);
if (letters.length === 0) problems.push('the page draws no decoder');
for (const letter of letters)
  if (counts[letter] < 300) problems.push(`the screenshot shows little of decoder ${letter}: ${counts[letter]} pixels`);
if (bands !== 3 * letters.length) problems.push(`the page has ${bands} decoder strips, not 3 for each decoder`);

const start = Date.now();
await page.goto(`file://${bigPage}`, { waitUntil: 'load' });
await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
const elapsed = Date.now() - start;
// Long frames wrap or scroll inside their own boxes: the page is no wider
// than the window, whatever a record holds.
const widths = await page.evaluate(() => [document.documentElement.scrollWidth, document.documentElement.clientWidth]);
if (widths[0] > widths[1]) problems.push(`the page of dense records is ${widths[0]} px wide in a window of ${widths[1]} px`);
await browser.close();

if (problems.length > 0) {
  console.error(problems.join('\n'));
  process.exit(1);
}
console.log(`browser: the sample page shows its 3 records and ${letters.length} decoders (${counts.notWhite} of ${counts.all} pixels drawn)`);
console.log(`browser: a page of 50 dense records loaded and rendered in ${elapsed} ms`);
