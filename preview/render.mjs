// Engraves measures of two MusicXML scores with Verovio, for cadentra's preview page.
//
//   node render.mjs BEFORE AFTER OUTDIR RANGE...
//
// BEFORE and AFTER are partwise MusicXML files; each RANGE is "FIRST-LAST", measures counted by
// position from 1. For the Nth range, OUTDIR/N-before.svg and OUTDIR/N-after.svg receive those
// measures of each score (every part), as one or more SVG pages one after the other. Each score
// is loaded once. The SVG's staff groups carry data-n, the staff's position in the score, so that
// the page can mark staves with a style sheet alone.
import createVerovioModule from 'verovio/wasm';
import { VerovioToolkit } from 'verovio/esm';
import fs from 'node:fs';
import path from 'node:path';

const [before, after, outdir, ...ranges] = process.argv.slice(2);
if (!before || !after || !outdir || ranges.length === 0) {
    process.stderr.write('usage: node render.mjs BEFORE AFTER OUTDIR FIRST-LAST...\n');
    process.exit(2);
}
for (const range of ranges) {
    if (!/^[1-9][0-9]*-[1-9][0-9]*$/.test(range)) {
        process.stderr.write(`render.mjs: not a measure range: ${range}\n`);
        process.exit(2);
    }
}

const toolkit = new VerovioToolkit(await createVerovioModule());
toolkit.setOptions({
    scale: 45,
    pageWidth: 2400,
    pageHeight: 60000,
    // Room for long staff names, which Verovio sets to the left of the system.
    pageMarginLeft: 150,
    adjustPageWidth: true,
    adjustPageHeight: true,
    breaks: 'auto',
    header: 'none',
    footer: 'none',
    svgViewBox: true,
    svgHtml5: true,
    svgAdditionalAttribute: ['staff@n'],
});

// A drawing as large as Verovio laid it out, which a page may still scale down to fit: the size
// its view box has, as width and height.
function withSize(svg) {
    return svg.replace(/^<svg viewBox="0 0 ([0-9.]+) ([0-9.]+)"/,
                       '<svg width="$1" height="$2" viewBox="0 0 $1 $2"');
}

function engrave(file, kind) {
    if (!toolkit.loadData(fs.readFileSync(file, 'utf8'))) {
        process.stderr.write(`render.mjs: Verovio could not read ${file}\n${toolkit.getLog()}\n`);
        process.exit(1);
    }
    ranges.forEach((range, i) => {
        toolkit.select({ measureRange: range });
        toolkit.redoLayout();
        const pages = [];
        for (let page = 1; page <= toolkit.getPageCount(); ++page)
            pages.push(withSize(toolkit.renderToSVG(page)));
        fs.writeFileSync(path.join(outdir, `${i + 1}-${kind}.svg`), pages.join('\n'));
    });
}

engrave(before, 'before');
engrave(after, 'after');
